// Nearest-colour search in a colour table, used when colours are drawn into 8-bit pictures.
#pragma once

#include "platform/win_types.h"

// Answers the index of the table entry closest to a colour (smallest squared distance
// over blue, green and red; the lowest index wins a tie). The last answer is remembered,
// since runs of equal colours are the rule in pictures. The table must outlive the matcher.
class CPaletteMatcher {
public:
    explicit CPaletteMatcher(const RGBQUAD* pTable, int nCount = 256);

    BYTE Match(BYTE nBlue, BYTE nGreen, BYTE nRed);

private:
    const RGBQUAD* m_pTable;
    int m_nCount;
    DWORD m_dwLastColor = 0;
    BYTE m_nLastIndex = 0;
    bool m_bHasLast = false;
};
