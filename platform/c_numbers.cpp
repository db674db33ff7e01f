#include "platform/c_numbers.h"

#include <charconv>
#include <cstdio>
#include <cstring>

std::string FormatFixed(double dValue, int nDecimals)
{
    char szBuffer[400]; // the largest double has 309 integer digits
    const auto result = std::to_chars(szBuffer, szBuffer + sizeof szBuffer, dValue, std::chars_format::fixed,
                                      nDecimals < 0 ? 0 : (nDecimals > 30 ? 30 : nDecimals));
    return std::string(szBuffer, result.ptr);
}

double ParseDecimal(const char* szText)
{
    if (szText == nullptr)
        return 0.0;
    const char* p = szText;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    // from_chars takes no '+'; a '-' it handles itself.
    if (*p == '+' && p[1] != '-')
        ++p;
    double dValue = 0.0;
    const auto result = std::from_chars(p, p + std::strlen(p), dValue, std::chars_format::general);
    return result.ec == std::errc() ? dValue : 0.0;
}

std::string TimeStampName(const std::tm& local, const char* szExtension)
{
    char szName[80]; // room for six ints of any size
    std::snprintf(szName, sizeof szName, "%4d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return szName + std::string(szExtension);
}
