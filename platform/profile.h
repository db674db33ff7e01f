// Profile (.ini) files: "[section]" and "key=value" lines read and written in the platform's manner.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Reads an integer: the value of the leading decimal number (optional sign) of the
// key's value. A missing key or an empty value gives nDefault; a present value that
// does not start with a number gives 0. Numbers beyond 32 bits wrap around, so the
// result carries the same bits as the platform's unsigned answer. A null section or
// key, or a missing, unreadable or UTF-16 file, gives nDefault.
int GetPrivateProfileIntA(const char* szSection, const char* szKey, int nDefault, const char* szFileName);

// Copies the key's value (surrounding blanks and one pair of matching quotes removed)
// into szReturned: at most nSize - 1 characters and a terminating zero. A missing key
// gives szDefault without its trailing spaces (null: ""); a present empty value gives "".
// Answers the number of characters copied, not counting the zero; nSize 0 writes nothing.
// A null szKey lists the key names of the section, a null szSection the section names:
// each name zero-terminated, the list ended by one more zero; when the list does not fit
// it is cut, still doubly terminated, and the answer is nSize - 2. A UTF-16 file reads
// as empty: the default, or an empty list.
DWORD GetPrivateProfileStringA(const char* szSection, const char* szKey, const char* szDefault,
                               char* szReturned, DWORD nSize, const char* szFileName);

// Sets szKey of szSection to szValue (surrounding blanks removed), creating the file,
// section or key when needed; a null szValue deletes the key. The file is replaced as a
// whole (temporary file in the same folder, flushed, renamed over the original, the
// original's permissions kept), so it is never left half written. Answers FALSE, leaving
// the file as it was, when the file exists but cannot be read, when it is UTF-16 (ASCII
// lines would corrupt it), when it cannot be replaced, for a null section or key
// (deleting whole sections is not supported), for a section name that is empty once
// blanks are removed, and for names or values that would break the file's lines (see
// CProfileFile::WriteString).
BOOL WritePrivateProfileStringA(const char* szSection, const char* szKey, const char* szValue,
                                const char* szFileName);

// The contents of one profile file held in memory: many reads after one load, or a
// change to be saved. The functions above are built on it. No member throws.
class CProfileFile {
public:
    // Reads the file. A missing file gives an empty profile and true; a file that exists
    // but cannot be read gives an empty profile and false.
    bool Load(const char* szFileName);
    // Takes text as the file's contents (a leading UTF-8 byte order mark is skipped).
    // UTF-16 text (a byte order mark FF FE or FE FF, or zero bytes at every other
    // position) is kept for GetText but not read: no section or key is found in it.
    void SetText(std::string_view text);
    // The contents as Save writes them: untouched lines byte for byte.
    std::string GetText() const;

    int GetInt(const char* szSection, const char* szKey, int nDefault) const;
    DWORD GetString(const char* szSection, const char* szKey, const char* szDefault, char* szReturned,
                    DWORD nSize) const;

    // Changes the contents in memory, with the rules of WritePrivateProfileStringA.
    // Refused (false, nothing changed): UTF-16 contents; a null section or key; a CR or
    // LF in any of the three texts; a section name that is empty once blanks are
    // removed or contains ']'; a key name that is empty or contains '=' or starts with
    // '[' or ';' once blanks are removed.
    bool WriteString(const char* szSection, const char* szKey, const char* szValue);
    // Whether WriteString changed something since the last SetText or Load.
    bool IsModified() const { return m_bModified; }

    // Replaces szFileName atomically with GetText().
    bool Save(const char* szFileName) const;

private:
    struct CProfileLine {
        std::string text;   // without its line end
        std::string_view eol; // "\r\n", "\n", or "" on a last line without one
    };

    void Parse(std::string_view text);
    void BuildIndex();
    const CProfileLine* FindKeyLine(std::string_view section, std::string_view key) const;
    std::string_view LineEnd() const;
    void InsertKey(std::string_view section, std::string_view key, std::string_view value);
    bool DeleteKey(std::string_view section, std::string_view key);
    DWORD ListNames(const char* szSection, char* szReturned, DWORD nSize) const;

    bool m_bBom = false;
    bool m_bUtf16 = false; // held for GetText only, see SetText
    bool m_bModified = false;
    std::vector<CProfileLine> m_Lines;
    // Lower-cased "section\nkey" -> index in m_Lines of the key's first occurrence.
    std::unordered_map<std::string, size_t> m_KeyIndex;
    // Lower-cased section name -> index in m_Lines of its first header line.
    std::unordered_map<std::string, size_t> m_SectionIndex;
};
