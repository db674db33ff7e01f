#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* s_szCategoryNames[] = {"camera", "usb", "driver", "files"};
static_assert(sizeof s_szCategoryNames / sizeof *s_szCategoryNames == static_cast<int>(ELogCategory::Count));

} // namespace

unsigned ParseLogCategories(const char* szList)
{
    unsigned nMask = 0;
    if (szList == nullptr)
        return nMask;
    const char* p = szList;
    while (*p != '\0') {
        const char* pEnd = std::strchr(p, ',');
        const std::size_t nLength = pEnd != nullptr ? static_cast<std::size_t>(pEnd - p) : std::strlen(p);
        if (nLength == 3 && std::strncmp(p, "all", 3) == 0)
            nMask = (1u << static_cast<int>(ELogCategory::Count)) - 1;
        for (int i = 0; i < static_cast<int>(ELogCategory::Count); ++i) {
            if (std::strlen(s_szCategoryNames[i]) == nLength && std::strncmp(p, s_szCategoryNames[i], nLength) == 0)
                nMask |= 1u << i;
        }
        p += nLength;
        if (*p == ',')
            ++p;
    }
    return nMask;
}

const char* LogCategoryName(ELogCategory category)
{
    const int n = static_cast<int>(category);
    return n >= 0 && n < static_cast<int>(ELogCategory::Count) ? s_szCategoryNames[n] : "?";
}

bool IsLogEnabled(ELogCategory category)
{
    // Read once; the set of categories does not change while the program runs.
    static const unsigned s_nEnabled = ParseLogCategories(std::getenv("VEXILO_DEBUG"));
    return (s_nEnabled >> static_cast<int>(category) & 1u) != 0;
}

void LogLine(ELogCategory category, const char* szFormat, ...)
{
    if (!IsLogEnabled(category))
        return;
    char szLine[1024];
    int nPrefix = std::snprintf(szLine, sizeof szLine, "vexilo[%s] ", LogCategoryName(category));
    if (nPrefix < 0)
        return;
    std::va_list args;
    va_start(args, szFormat);
    const int nText = std::vsnprintf(szLine + nPrefix, sizeof szLine - nPrefix - 1, szFormat, args);
    va_end(args);
    std::size_t nLength = nPrefix + (nText < 0 ? 0 : static_cast<std::size_t>(nText));
    if (nLength > sizeof szLine - 2)
        nLength = sizeof szLine - 2;
    szLine[nLength++] = '\n';
    // One write per line, so lines of different threads never mix.
    std::fwrite(szLine, 1, nLength, stderr);
}
