// Fuzz target of the profile (.ini) reader and writer: any bytes as a file's contents.
// GetText gives back the bytes it was given; every section and key a listing names is
// found; a listing cut to a small buffer is the start of the whole one, doubly
// terminated; a number value reads the same through GetInt as through GetString; a
// written key reads back its value, also once the text is read again, and leaves the
// other keys alone; a refused write changes nothing and is refused for a reason.
#include "platform/profile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The value a written value reads back as: trimmed, one pair of matching quotes off.
std::string ReadBack(std::string_view value)
{
    value = TrimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Listings and lookups are checked for this many sections and keys of each, so that
// files of many names stay quick.
constexpr std::size_t CHECKED_NAMES = 8;

class CChecker {
public:
    // Any answer (a value, a listing, a short default) fits in the input's size and 64
    // more bytes, with room to spare.
    explicit CChecker(std::size_t nInput)
        : m_Buffer(nInput + 64), m_nSmall{static_cast<DWORD>(1 + nInput % 4), static_cast<DWORD>(5 + nInput % 19)}
    {
    }

    // The whole answer of GetString, its length checked.
    std::string Get(const CProfileFile& profile, const char* szSection, const char* szKey, const char* szDefault)
    {
        const DWORD nSize = static_cast<DWORD>(m_Buffer.size());
        const DWORD n = profile.GetString(szSection, szKey, szDefault, m_Buffer.data(), nSize);
        if (n >= nSize - 2 || m_Buffer[n] != '\0')
            __builtin_trap();
        return std::string(m_Buffer.data(), n);
    }

    // Whether the key is there: a missing key answers the default, so two defaults differ.
    bool Has(const CProfileFile& profile, const char* szSection, const char* szKey)
    {
        return Get(profile, szSection, szKey, "\x01one") == Get(profile, szSection, szKey, "\x01two");
    }

    // A listing (szSection null: the sections) and its names; the same listing into
    // small buffers must be its start, still doubly terminated.
    std::vector<std::string> List(const CProfileFile& profile, const char* szSection)
    {
        const std::string whole = Get(profile, szSection, nullptr, "");
        for (DWORD nSmall : m_nSmall) {
            std::vector<char> buffer(nSmall, '\x7F');
            const DWORD n = profile.GetString(szSection, nullptr, "", buffer.data(), nSmall);
            if (nSmall == 1) {
                if (n != 0 || buffer[0] != '\0')
                    __builtin_trap();
            } else if (whole.size() <= nSmall - 1) {
                if (n != whole.size() || std::memcmp(buffer.data(), whole.data(), n) != 0 || buffer[n] != '\0')
                    __builtin_trap();
            } else if (n != nSmall - 2 || std::memcmp(buffer.data(), whole.data(), n) != 0 || buffer[n] != '\0' ||
                       buffer[n + 1] != '\0') {
                __builtin_trap();
            }
        }
        std::vector<std::string> names;
        for (std::size_t nPos = 0; nPos < whole.size();) {
            const std::size_t nEnd = std::min(whole.find('\0', nPos), whole.size());
            if (nEnd == nPos)
                break; // an empty name ends the list for whoever reads it
            names.emplace_back(whole, nPos, nEnd - nPos);
            nPos = nEnd + 1;
        }
        return names;
    }

private:
    std::vector<char> m_Buffer;
    DWORD m_nSmall[2]; // the small buffers' sizes
};

// The writer's rules for its three texts, written out.
bool IsWritable(std::string_view section, std::string_view key, std::string_view value)
{
    auto breaks = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (breaks(section) || breaks(key) || breaks(value))
        return false;
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    return !section.empty() && section.find(']') == std::string_view::npos && !key.empty() &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

// A text of up to nMax bytes of the input from nFrom on, up to its first zero byte.
std::string Piece(std::string_view input, std::size_t nFrom, std::size_t nMax)
{
    if (nFrom >= input.size())
        return {};
    std::string piece(input.substr(nFrom, nMax));
    return piece.substr(0, piece.find('\0'));
}

// GetInt agrees with GetString on plain numbers of up to nine digits.
void CheckNumber(CChecker& check, const CProfileFile& profile, const char* szSection, const char* szKey)
{
    const std::string value = check.Get(profile, szSection, szKey, "");
    std::string_view digits = TrimBlanks(value);
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return;
    if (profile.GetInt(szSection, szKey, -7) != std::stoi(value))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize > 1 << 18)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    CChecker check(nSize);
    CProfileFile profile;
    profile.SetText(input);
    if (profile.GetText() != input || profile.IsModified())
        __builtin_trap();

    // Names with zero bytes in them cannot be asked for, so the listings are only
    // checked against the lookups in text without zeros.
    const bool bPlainText = input.find('\0') == std::string_view::npos;
    const std::vector<std::string> sections = check.List(profile, nullptr);
    std::string section = "fuzz section";
    std::string key = "fuzz key";
    std::string other;
    for (std::size_t i = 0; i < std::min(sections.size(), CHECKED_NAMES); ++i) {
        const std::vector<std::string> keys = check.List(profile, sections[i].c_str());
        if (!bPlainText)
            continue;
        for (std::size_t j = 0; j < std::min(keys.size(), CHECKED_NAMES); ++j) {
            const std::string& name = keys[j];
            if (!check.Has(profile, sections[i].c_str(), name.c_str()))
                __builtin_trap();
            CheckNumber(check, profile, sections[i].c_str(), name.c_str());
        }
        // The key to write, and another one of the same section to keep an eye on.
        if (i == nSize % std::min(sections.size(), CHECKED_NAMES) && !keys.empty()) {
            section = sections[i];
            key = keys[nSize % keys.size()];
            for (const std::string& name : keys)
                if (Lower(name) != Lower(key))
                    other = name;
        }
    }
    // A key that is not there answers its default, trailing spaces removed.
    if (check.Get(profile, "no such section", "k", "dflt  ") != "dflt" || profile.GetInt("no such section", "k", 5) != 5)
        __builtin_trap();

    // One write per input, picked by its size: an existing key (or a new one) with a value
    // from the input, a new key, names and a value all taken from the input (often
    // refused), or a deletion.
    std::string value;
    bool bDelete = false;
    switch (nSize % 4) {
    case 0: value = Piece(input, nSize / 2, 24); break;
    case 1:
        key = "new key " + std::to_string(nSize);
        value = "\"quoted\"";
        break;
    case 2:
        section = Piece(input, nSize / 3, 12);
        key = Piece(input, nSize / 4, 12);
        value = Piece(input, nSize / 5, 12);
        break;
    default: bDelete = true; break;
    }
    CProfileFile edited;
    edited.SetText(input);
    const std::string otherBefore = other.empty() ? "" : check.Get(edited, section.c_str(), other.c_str(), "");
    if (!edited.WriteString(section.c_str(), key.c_str(), bDelete ? nullptr : value.c_str())) {
        if (edited.IsModified() || edited.GetText() != input)
            __builtin_trap();
        // Good names are refused only in a UTF-16 file, which reads as empty.
        if (IsWritable(section, key, value) &&
            (!sections.empty() || (bPlainText && !input.starts_with("\xFF\xFE") && !input.starts_with("\xFE\xFF"))))
            __builtin_trap();
        return 0;
    }
    if (!IsWritable(section, key, value))
        __builtin_trap();
    const std::string expected = bDelete ? "\x01gone" : ReadBack(value);
    if (check.Get(edited, section.c_str(), key.c_str(), "\x01gone") != expected)
        __builtin_trap();
    if (!other.empty() && Lower(TrimBlanks(key)) != Lower(other) &&
        check.Get(edited, section.c_str(), other.c_str(), "") != otherBefore)
        __builtin_trap();
    // As saved and loaded again: the same answers as the edited profile gives.
    CProfileFile reloaded;
    reloaded.SetText(edited.GetText());
    if (check.Get(reloaded, section.c_str(), key.c_str(), "\x01gone") != expected)
        __builtin_trap();
    const std::vector<std::string> keys = check.List(reloaded, section.c_str());
    for (std::size_t i = 0; i < std::min(keys.size(), CHECKED_NAMES); ++i)
        if (check.Get(reloaded, section.c_str(), keys[i].c_str(), "\x01") !=
            check.Get(edited, section.c_str(), keys[i].c_str(), "\x01"))
            __builtin_trap();
    return 0;
}
