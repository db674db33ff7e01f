// The user's language as the system locale settings give it.
#pragma once

// True when the locale that decides message language (LC_ALL, else LC_MESSAGES,
// else LANG; the first one set and non-empty) names Japanese, e.g. "ja_JP.UTF-8".
bool IsSystemLanguageJapanese();

// The same rule over given values (nullptr or "" meaning unset).
bool IsJapaneseLocale(const char* szLcAll, const char* szLcMessages, const char* szLang);
