#include "platform/profile.h"

#include "platform/read_whole_file.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <unordered_set>
#include <utility>

// How a profile file is read:
//  - A leading UTF-8 byte order mark is skipped. Lines end with LF or CRLF; the last
//    line may lack its line end.
//  - Blanks (space, tab, stray CR) around names and values are ignored.
//  - A line whose first non-blank character is ';' is a comment. A line starting with
//    '[' names a section up to the first ']' (blanks inside the brackets ignored, text
//    after the ']' ignored); without a ']' the line is ignored. A line with '=' is a key
//    line, split at the first '='; any other line is ignored. There are no comments at
//    the end of a key line: "8 ; x" is the whole value.
//  - Section and key names compare without regard to ASCII case. Key lines before the
//    first section belong to none and are never found.
//  - The first occurrence of a key wins, also when its section appears more than once:
//    the sections of one name are searched in file order.
//  - A value in one pair of matching quotes ("..." or '...') is read without them.
//  - A UTF-16 file (see IsUtf16Text) is not read: every key and section is missing.
//
// How it is written: only the changed line is touched, everything else (comments, blank
// lines, spacing, unknown keys, order, the byte order mark, each line's own line end)
// stays byte for byte. A changed key keeps its line's spelling and the spacing up to the
// value. A new key goes right after the last key line of the first section of its name,
// so comments and blank lines heading the next section stay with that section; a new
// section goes at the end of the file without a blank line before it. New lines use the
// line end of the file's first line (CRLF for a new file or one without line ends).
// A UTF-16 file is never written: its lines cannot be found, and ASCII lines added to
// it would corrupt it.

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s)
{
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string IndexKey(std::string_view section, std::string_view key)
{
    // '\n' never occurs inside a name, so the pair maps to one string unambiguously.
    return Lower(section) + '\n' + Lower(key);
}

struct CParsedLine {
    enum EKind { Blank, Comment, Section, Key, Other };
    EKind kind = Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed, quotes still on
    size_t nEqual = 0;      // position of the '=' of a key line
};

CParsedLine ParseLine(std::string_view line)
{
    CParsedLine parsed;
    std::string_view t = TrimLeft(line);
    if (t.empty()) {
        parsed.kind = CParsedLine::Blank;
    } else if (t.front() == ';') {
        parsed.kind = CParsedLine::Comment;
    } else if (t.front() == '[') {
        size_t close = t.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = CParsedLine::Section;
            parsed.name = Trim(t.substr(1, close - 1));
        }
    } else if (size_t eq = line.find('='); eq != std::string_view::npos) {
        parsed.kind = CParsedLine::Key;
        parsed.name = Trim(line.substr(0, eq));
        parsed.value = Trim(line.substr(eq + 1));
        parsed.nEqual = eq;
    }
    return parsed;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The leading decimal number of text (blanks, an optional sign, digits); 0 when there
// is none. Computed modulo 2^32 so that any length of digits is safe.
int LeadingInt(std::string_view text)
{
    text = TrimLeft(text);
    bool bNegative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        bNegative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint32_t nValue = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        nValue = nValue * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<int>(bNegative ? 0u - nValue : nValue);
}

DWORD CopyOut(std::string_view text, char* szReturned, DWORD nSize)
{
    size_t n = std::min<size_t>(text.size(), nSize - 1);
    std::memcpy(szReturned, text.data(), n);
    szReturned[n] = '\0';
    return static_cast<DWORD>(n);
}

// Runs f, turning any exception (only allocation failures are possible) into failure.
template <class R, class F>
R NoThrow(R failure, F&& f) noexcept
{
    try {
        return f();
    } catch (...) {
        return failure;
    }
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// UTF-16 text: a byte order mark (FF FE little-endian, FE FF big-endian), or, without
// one, the zero high bytes of ASCII characters at every other position: zeros at a
// quarter or more of the even (or odd) positions and at most a quarter as many at the
// others. A few stray zeros, or a run of zeros such as a damaged file's tail, fill
// both kinds of position alike and do not count.
bool IsUtf16Text(std::string_view text)
{
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return true;
    if (text.size() < 2)
        return false;
    size_t nZeros[2] = {0, 0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\0')
            ++nZeros[i % 2];
    const size_t nMore = std::max(nZeros[0], nZeros[1]);
    const size_t nLess = std::min(nZeros[0], nZeros[1]);
    return nMore * 4 >= text.size() / 2 && nLess * 4 <= nMore;
}

} // namespace

// ---------------------------------------------------------------------------------------
// CProfileFile

bool CProfileFile::Load(const char* szFileName)
{
    return NoThrow<BOOL>(FALSE, [&] {
        // No file means defaults; a file that is there but cannot be read is a failure.
        const CReadWholeFile file(szFileName);
        Parse(file.Text());
        return file.IsRead() || file.IsMissing() ;
    });
}

void CProfileFile::SetText(std::string_view text)
{
    NoThrow<bool>(false, [&] {
        Parse(text);
        return true;
    });
}

std::string CProfileFile::GetText() const
{
    return NoThrow<std::string>({}, [&] {
        size_t nTotal = m_bBom ? kBom.size() : 0;
        for (const CProfileLine& line : m_Lines)
            nTotal += line.text.size() + line.eol.size();
        std::string out;
        out.reserve(nTotal);
        if (m_bBom)
            out += kBom;
        for (const CProfileLine& line : m_Lines) {
            out += line.text;
            out += line.eol;
        }
        return out;
    });
}

void CProfileFile::Parse(std::string_view text)
{
    m_Lines.clear();
    m_bModified = false;
    m_bUtf16 = IsUtf16Text(text);
    m_bBom = text.substr(0, kBom.size()) == kBom;
    if (m_bBom)
        text.remove_prefix(kBom.size());
    while (!text.empty()) {
        size_t lf = text.find('\n');
        if (lf == std::string_view::npos) {
            m_Lines.push_back({std::string(text), {}});
            break;
        }
        bool bCrLf = lf > 0 && text[lf - 1] == '\r';
        m_Lines.push_back({std::string(text.substr(0, bCrLf ? lf - 1 : lf)), bCrLf ? kCrLf : kLf});
        text.remove_prefix(lf + 1);
    }
    BuildIndex();
}

void CProfileFile::BuildIndex()
{
    m_KeyIndex.clear();
    m_SectionIndex.clear();
    if (m_bUtf16)
        return; // nothing of it can be read
    bool bInSection = false;
    std::string section;
    for (size_t i = 0; i < m_Lines.size(); ++i) {
        CParsedLine parsed = ParseLine(m_Lines[i].text);
        if (parsed.kind == CParsedLine::Section) {
            bInSection = true;
            section = Lower(parsed.name);
            m_SectionIndex.emplace(section, i);
        } else if (parsed.kind == CParsedLine::Key && bInSection) {
            m_KeyIndex.emplace(IndexKey(section, parsed.name), i); // keeps the first
        }
    }
}

const CProfileFile::CProfileLine* CProfileFile::FindKeyLine(std::string_view section, std::string_view key) const
{
    auto it = m_KeyIndex.find(IndexKey(Trim(section), Trim(key)));
    return it == m_KeyIndex.end() ? nullptr : &m_Lines[it->second];
}

int CProfileFile::GetInt(const char* szSection, const char* szKey, int nDefault) const
{
    return NoThrow(nDefault, [&] {
        const CProfileLine* line = (szSection && szKey) ? FindKeyLine(szSection, szKey) : nullptr;
        if (!line)
            return nDefault;
        std::string_view value = Unquote(ParseLine(line->text).value);
        return value.empty() ? nDefault : LeadingInt(value);
    });
}

DWORD CProfileFile::GetString(const char* szSection, const char* szKey, const char* szDefault, char* szReturned,
                              DWORD nSize) const
{
    if (!szReturned || nSize == 0)
        return 0;
    return NoThrow<DWORD>(0, [&] {
        if (!szSection || !szKey)
            return ListNames(szSection, szReturned, nSize);
        if (const CProfileLine* line = FindKeyLine(szSection, szKey))
            return CopyOut(Unquote(ParseLine(line->text).value), szReturned, nSize);
        std::string_view def = szDefault ? szDefault : "";
        while (!def.empty() && def.back() == ' ')
            def.remove_suffix(1);
        return CopyOut(def, szReturned, nSize);
    });
}

// Section names (szSection null) or the key names of a section, each once in the
// spelling of its first occurrence, as a doubly zero-terminated list.
DWORD CProfileFile::ListNames(const char* szSection, char* szReturned, DWORD nSize) const
{
    std::vector<std::string_view> names;
    std::unordered_set<std::string> seen;
    bool bInSection = false;
    // A UTF-16 file has no names: its lines are not read.
    const std::span<const CProfileLine> lines = m_bUtf16 ? std::span<const CProfileLine>{} : m_Lines;
    for (const CProfileLine& line : lines) {
        CParsedLine parsed = ParseLine(line.text);
        if (parsed.kind == CParsedLine::Section) {
            bInSection = szSection && EqualNoCase(parsed.name, Trim(szSection));
            if (!szSection && seen.insert(Lower(parsed.name)).second)
                names.push_back(parsed.name);
        } else if (parsed.kind == CParsedLine::Key && bInSection && seen.insert(Lower(parsed.name)).second) {
            names.push_back(parsed.name);
        }
    }

    if (nSize < 2) {
        szReturned[0] = '\0';
        return 0;
    }
    DWORD nPos = 0;
    for (std::string_view name : names) {
        if (nPos + name.size() + 1 > nSize - 1) {
            // Does not fit with the closing zero: cut it and end the list at the buffer's end.
            if (nPos < nSize - 2)
                std::memcpy(szReturned + nPos, name.data(), nSize - 2 - nPos);
            szReturned[nSize - 2] = '\0';
            szReturned[nSize - 1] = '\0';
            return nSize - 2;
        }
        std::memcpy(szReturned + nPos, name.data(), name.size());
        nPos += static_cast<DWORD>(name.size());
        szReturned[nPos++] = '\0';
    }
    szReturned[nPos] = '\0';
    if (nPos == 0)
        szReturned[1] = '\0';
    return nPos;
}

std::string_view CProfileFile::LineEnd() const
{
    for (const CProfileLine& line : m_Lines)
        if (!line.eol.empty())
            return line.eol;
    return kCrLf;
}

bool CProfileFile::WriteString(const char* szSection, const char* szKey, const char* szValue)
{
    if (!szSection || !szKey)
        return false;
    // A line break in any text would start a new line in the file: a value like
    // "x\r\ny=2" would silently add key y.
    if (HasLineBreak(szSection) || HasLineBreak(szKey) || (szValue && HasLineBreak(szValue)))
        return false;
    std::string_view section = Trim(szSection);
    std::string_view key = Trim(szKey);
    // "[]" would be a section no program writes on purpose; and a UTF-16 file would be
    // corrupted by ASCII lines.
    if (section.empty() || section.find(']') != std::string_view::npos || m_bUtf16)
        return false;
    if (key.empty() || key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';')
        return false;

    return NoThrow<BOOL>(FALSE, [&] {
        if (!szValue) {
            if (DeleteKey(section, key))
                m_bModified = true;
            return true;
        }
        std::string_view value = Trim(szValue);
        auto found = m_KeyIndex.find(IndexKey(section, key));
        if (found != m_KeyIndex.end()) {
            CProfileLine& line = m_Lines[found->second];
            CParsedLine parsed = ParseLine(line.text);
            std::string_view spelling(line.text);
            size_t nKeep = parsed.nEqual + 1;
            if (!value.empty())
                while (nKeep < spelling.size() && (spelling[nKeep] == ' ' || spelling[nKeep] == '\t'))
                    ++nKeep;
            std::string text = std::string(spelling.substr(0, nKeep)) + std::string(value);
            if (text != line.text) {
                line.text = std::move(text); // the line stays a key line of the same key
                m_bModified = true;
            }
            return true;
        }
        InsertKey(section, key, value);
        m_bModified = true;
        return true;
    });
}

void CProfileFile::InsertKey(std::string_view section, std::string_view key, std::string_view value)
{
    std::string_view eol = LineEnd();
    std::string keyLine = std::string(key) + '=' + std::string(value);
    size_t nAt = m_Lines.size();
    std::vector<CProfileLine> added;

    auto header = m_SectionIndex.find(Lower(section));
    if (header != m_SectionIndex.end()) {
        nAt = header->second + 1;
        for (size_t i = nAt; i < m_Lines.size(); ++i) {
            CParsedLine::EKind kind = ParseLine(m_Lines[i].text).kind;
            if (kind == CParsedLine::Section)
                break;
            if (kind == CParsedLine::Key || kind == CParsedLine::Other)
                nAt = i + 1;
        }
        added.push_back({std::move(keyLine), eol});
    } else {
        added.push_back({"[" + std::string(section) + "]", eol});
        added.push_back({std::move(keyLine), eol});
    }
    if (nAt == m_Lines.size() && !m_Lines.empty() && m_Lines.back().eol.empty())
        m_Lines.back().eol = eol;
    m_Lines.insert(m_Lines.begin() + static_cast<std::ptrdiff_t>(nAt), std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));

    // The index follows without being built again, which would make many writes into a
    // big file take time in proportion to both: the lines from nAt on moved down, and
    // the new lines are the first (only) ones of their names.
    for (auto* pIndex : {&m_KeyIndex, &m_SectionIndex})
        for (auto& entry : *pIndex)
            if (entry.second >= nAt)
                entry.second += added.size();
    if (header == m_SectionIndex.end())
        m_SectionIndex.emplace(Lower(section), nAt++);
    m_KeyIndex.emplace(IndexKey(section, key), nAt);
}

// Removes every line of the key in the sections of that name, so that no later
// occurrence shows through once the first one is gone.
bool CProfileFile::DeleteKey(std::string_view section, std::string_view key)
{
    bool bInSection = false;
    size_t nKept = 0;
    std::vector<size_t> removed; // in increasing order
    for (size_t i = 0; i < m_Lines.size(); ++i) {
        CParsedLine parsed = ParseLine(m_Lines[i].text);
        if (parsed.kind == CParsedLine::Section)
            bInSection = EqualNoCase(parsed.name, section);
        if (parsed.kind == CParsedLine::Key && bInSection && EqualNoCase(parsed.name, key)) {
            removed.push_back(i);
            continue;
        }
        if (nKept != i)
            m_Lines[nKept] = std::move(m_Lines[i]);
        ++nKept;
    }
    if (removed.empty())
        return false;
    m_Lines.resize(nKept);

    // The index follows: the key's entry goes, every other line moved up by the number
    // of removed lines before it.
    m_KeyIndex.erase(IndexKey(section, key));
    for (auto* pIndex : {&m_KeyIndex, &m_SectionIndex})
        for (auto& entry : *pIndex)
            entry.second -= static_cast<size_t>(std::lower_bound(removed.begin(), removed.end(), entry.second) -
                                                removed.begin());
    return true;
}

bool CProfileFile::Save(const char* szFileName) const
{
    if (!szFileName)
        return false;
    return NoThrow<BOOL>(FALSE, [&] {
        const std::string text = GetText();
        const CFileSection section{text.data(), text.size()};
        return WriteWholeFile(szFileName, &section, 1);
    });
}

// ---------------------------------------------------------------------------------------
// The platform's functions: each call reads the whole file once. A file that cannot be
// read reads as empty, so the readers answer their defaults, as the platform's do.

int GetPrivateProfileIntA(const char* szSection, const char* szKey, int nDefault, const char* szFileName)
{
    CProfileFile profile;
    profile.Load(szFileName);
    return profile.GetInt(szSection, szKey, nDefault);
}

DWORD GetPrivateProfileStringA(const char* szSection, const char* szKey, const char* szDefault, char* szReturned,
                               DWORD nSize, const char* szFileName)
{
    CProfileFile profile;
    profile.Load(szFileName);
    return profile.GetString(szSection, szKey, szDefault, szReturned, nSize);
}

BOOL WritePrivateProfileStringA(const char* szSection, const char* szKey, const char* szValue,
                                const char* szFileName)
{
    CProfileFile profile;
    if (!profile.Load(szFileName) || !profile.WriteString(szSection, szKey, szValue))
        return FALSE;
    return !profile.IsModified() || profile.Save(szFileName) ? TRUE : FALSE;
}
