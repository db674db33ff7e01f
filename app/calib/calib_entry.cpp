#include "app/calib/calib_entry.h"

#include "app/res/ui_texts.h"

#include <cstdio>

void CCalibEntry::RecalcPixelSize()
{
    const double dWidth = m_dRight - m_dLeft;
    const double dHeight = m_dBottom - m_dTop;
    if (dWidth != 0.0)
        m_dMppX = m_dLengthX / dWidth;
    if (dHeight != 0.0)
        m_dMppY = m_dLengthY / dHeight;
}

CCalibList MakeDefaultCalibList()
{
    CCalibList list;
    for (int i = 0; i < CALIB_ENTRY_COUNT; ++i) {
        CCalibEntry& entry = list[i];
        entry.m_nNo = i;
        std::snprintf(entry.m_szName, sizeof entry.m_szName, "%s%d", LoadUiString(IDS_CALIB_NAME), i + 1);
    }
    return list;
}

const char* UnitText(int nUnit)
{
    switch (nUnit) {
    case 0: return "cm";
    case 1: return "mm";
    case 2: return "um";
    default: return "";
    }
}
