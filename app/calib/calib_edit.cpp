#include "app/calib/calib_edit.h"

#include "platform/c_numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>

std::string CalibInfoLine(const CCalibEntry& entry, double dX, double dY, int nUnit)
{
    // A zero extent gives the text of a non-finite number, as the factor cannot be had.
    return "X = " + FormatFixed6(dX / (entry.m_dRight - entry.m_dLeft)) +
           ", Y = " + FormatFixed6(dY / (entry.m_dBottom - entry.m_dTop)) + " [" + UnitText(nUnit) + "/pix]";
}

bool ParseCalibLength(const std::string& szText, double& dValue)
{
    const char* pBegin = szText.data();
    const char* pEnd = pBegin + szText.size();
    while (pBegin < pEnd && *pBegin == ' ')
        ++pBegin;
    while (pEnd > pBegin && pEnd[-1] == ' ')
        --pEnd;
    if (pBegin < pEnd && *pBegin == '+')
        ++pBegin;
    double dParsed = 0.0;
    const auto result = std::from_chars(pBegin, pEnd, dParsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != pEnd || pBegin == pEnd || !std::isfinite(dParsed))
        return false;
    dValue = dParsed;
    return true;
}

std::string FormatCalibLength(double dValue)
{
    char szText[64];
    const auto result = std::to_chars(szText, szText + sizeof szText, dValue);
    return std::string(szText, result.ptr);
}

void ApplyCalibEdit(CCalibEntry& entry, const std::string& szName, double dX, double dY, int nUnit)
{
    // Cut at 255 bytes, then back to the start of a UTF-8 character.
    std::size_t nLength = std::min(szName.size(), sizeof entry.m_szName - 1);
    while (nLength < szName.size() && nLength > 0 && (static_cast<unsigned char>(szName[nLength]) & 0xC0) == 0x80)
        --nLength;
    std::memcpy(entry.m_szName, szName.data(), nLength);
    entry.m_szName[nLength] = '\0';
    entry.m_dLengthX = dX;
    entry.m_dLengthY = dY;
    entry.m_nUnit = nUnit;
    entry.RecalcPixelSize();
}
