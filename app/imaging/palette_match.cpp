#include "app/imaging/palette_match.h"

CPaletteMatcher::CPaletteMatcher(const RGBQUAD* pTable, int nCount)
    : m_pTable(pTable), m_nCount(nCount < 0 ? 0 : (nCount > 256 ? 256 : nCount))
{
}

BYTE CPaletteMatcher::Match(BYTE nBlue, BYTE nGreen, BYTE nRed)
{
    const DWORD dwColor = static_cast<DWORD>(nBlue) | (static_cast<DWORD>(nGreen) << 8) |
                          (static_cast<DWORD>(nRed) << 16);
    if (m_bHasLast && dwColor == m_dwLastColor)
        return m_nLastIndex;

    int nBest = 0;
    int nBestDistance = 0x7fffffff;
    for (int i = 0; i < m_nCount; ++i) {
        const int db = static_cast<int>(m_pTable[i].rgbBlue) - nBlue;
        const int dg = static_cast<int>(m_pTable[i].rgbGreen) - nGreen;
        const int dr = static_cast<int>(m_pTable[i].rgbRed) - nRed;
        const int nDistance = db * db + dg * dg + dr * dr;
        if (nDistance < nBestDistance) {
            nBestDistance = nDistance;
            nBest = i;
            if (nDistance == 0)
                break;
        }
    }
    m_dwLastColor = dwColor;
    m_nLastIndex = static_cast<BYTE>(nBest);
    m_bHasLast = true;
    return m_nLastIndex;
}
