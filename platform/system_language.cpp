#include "platform/system_language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

bool IsJapaneseLocale(const char* szLcAll, const char* szLcMessages, const char* szLang)
{
    const char* szLocale = nullptr;
    for (const char* sz : {szLcAll, szLcMessages, szLang}) {
        if (sz != nullptr && *sz != '\0') {
            szLocale = sz;
            break;
        }
    }
    if (szLocale == nullptr)
        return false;
    // Language part: up to '_', '.', '@' or the end ("ja", "ja_JP.UTF-8", "ja.eucJP", "ja@x").
    const std::size_t nLength = std::strcspn(szLocale, "_.@");
    return nLength == 2 && std::strncmp(szLocale, "ja", 2) == 0;
}

bool IsSystemLanguageJapanese()
{
    return IsJapaneseLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
