#include "app/calib/csv_export.h"

#include "app/res/ui_texts.h"
#include "platform/c_numbers.h"
#include "platform/log.h"
#include "platform/program_folder.h"
#include "platform/read_whole_file.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include <iconv.h>

namespace {

// Sole owner of one iconv conversion descriptor, closed at its end.
class CIconv {
public:
    CIconv(const char* szTo, const char* szFrom) : m_cd(::iconv_open(szTo, szFrom)) {}
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    ~CIconv()
    {
        if (IsOpen())
            (void)::iconv_close(m_cd);
    }

    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// The code point of the UTF-8 sequence at the start of szText, or -1 when the bytes
// there are no complete, shortest-form UTF-8 character. Used only to name the character
// a conversion stopped at.
long DecodeUtf8(std::string_view szText)
{
    if (szText.empty())
        return -1;
    const auto b0 = static_cast<unsigned char>(szText[0]);
    int nMore = 0;
    long nCode = 0;
    if (b0 < 0x80)
        return b0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        nMore = 1;
        nCode = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        nMore = 2;
        nCode = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        nMore = 3;
        nCode = b0 & 0x07;
    } else {
        return -1;
    }
    if (szText.size() <= static_cast<std::size_t>(nMore))
        return -1;
    for (int i = 1; i <= nMore; ++i) {
        const auto b = static_cast<unsigned char>(szText[static_cast<std::size_t>(i)]);
        if ((b & 0xC0) != 0x80)
            return -1;
        nCode = (nCode << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no characters.
    static constexpr long kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (nCode < kSmallest[nMore] || (nCode >= 0xD800 && nCode <= 0xDFFF) || nCode > 0x10FFFF)
        return -1;
    return nCode;
}

// AppendResultsCsv without the reporting: false with the reason in szReason.
bool AppendCsv(const char* szPath, const CResultsTable& table, bool bJapanese, std::string& szReason)
{
    if (szPath == nullptr || *szPath == '\0') {
        szReason = "no file name for the CSV file";
        return false;
    }
    std::string szExport = CsvText(table, bJapanese);
    if (bJapanese) {
        std::string szCp932;
        if (!Utf8ToCp932(szExport, &szCp932, &szReason))
            return false;
        szExport = std::move(szCp932);
    }

    // The old contents are written again in front of the export: a file that is there
    // but cannot be read must not be replaced by the export alone.
    errno = 0;
    const CReadWholeFile old(szPath);
    if (!old.IsRead() && !old.IsMissing()) {
        const int nError = errno;
        std::error_code ec;
        const auto status = std::filesystem::status(szPath, ec);
        if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
            szReason = std::string(szPath) + " is not a file";
        else
            szReason = FileErrorText(std::string("cannot read the existing file ") + szPath, nError);
        return false;
    }

    const CFileSection sections[] = {{old.Start(), old.Size()}, {szExport.data(), szExport.size()}};
    errno = 0;
    if (!WriteWholeFile(szPath, sections, 2)) {
        szReason = FileErrorText(std::string("cannot write ") + szPath, errno);
        return false;
    }
    return true;
}

} // namespace

std::string CsvDefaultName(const std::tm& local) { return TimeStampName(local, ".csv"); }

std::string CsvResultFolder(const std::string& szSettingsFolder)
{
    if (szSettingsFolder.empty())
        return "result";
    if (szSettingsFolder.back() == '/')
        return szSettingsFolder + "result";
    return szSettingsFolder + "/result";
}

bool MakeCsvResultFolder(const std::string& szSettingsFolder)
{
    return MakeFolders(CsvResultFolder(szSettingsFolder));
}

std::string CsvText(const CResultsTable& table, bool bJapanese)
{
    // The header is the list's own column titles behind "No.".
    std::string szText = "No.,";
    szText += LoadUiString(IDS_COLUMN_TYPE, bJapanese);
    szText += ',';
    szText += LoadUiString(IDS_COLUMN_RESULT, bJapanese);
    szText += ',';
    szText += LoadUiString(IDS_COLUMN_UNIT, bJapanese);
    szText += "\r\n";
    int nRow = 0;
    for (const CResultsTable::CRow& row : table.Rows()) {
        // std::to_string of an int is "%d", which no locale changes.
        szText += std::to_string(nRow++);
        szText += ',';
        szText += row.text.szType;
        szText += ',';
        szText += row.text.szValue;
        szText += ',';
        szText += row.text.szUnit;
        szText += "\r\n";
    }
    return szText;
}

bool Utf8ToCp932(std::string_view szUtf8, std::string* pszCp932, std::string* pszError)
{
    auto fail = [&](std::string szReason) {
        if (pszCp932 != nullptr)
            pszCp932->clear();
        if (pszError != nullptr)
            *pszError = std::move(szReason);
        return false;
    };
    const CIconv converter("CP932", "UTF-8");
    if (!converter.IsOpen())
        return fail("this system cannot convert text to Shift-JIS (CP932)");

    // A CP932 character never takes more bytes than its UTF-8 form (ASCII 1 to 1, the
    // rest 2 or 3 to at most 2), so one pass fills at most szUtf8.size() bytes; the
    // margin is for the final flush.
    std::string szOut(szUtf8.size() + 16, '\0');
    char* pIn = const_cast<char*>(szUtf8.data()); // iconv's interface; the input is not written
    std::size_t nInLeft = szUtf8.size();
    char* pOut = szOut.data();
    std::size_t nOutLeft = szOut.size();
    while (nInLeft > 0) {
        if (::iconv(converter.Get(), &pIn, &nInLeft, &pOut, &nOutLeft) != static_cast<std::size_t>(-1))
            continue;
        const int nError = errno;
        if (nError == E2BIG) {
            // Not expected by the size rule above; grow and go on.
            const std::size_t nUsed = szOut.size() - nOutLeft;
            szOut.resize(szOut.size() * 2);
            pOut = szOut.data() + nUsed;
            nOutLeft = szOut.size() - nUsed;
            continue;
        }
        // EILSEQ or EINVAL: iconv stopped in front of the character it could not take.
        const std::size_t nAt = szUtf8.size() - nInLeft;
        const long nCode = DecodeUtf8(szUtf8.substr(nAt));
        if (nCode < 0)
            return fail("the text is not valid UTF-8 at byte " + std::to_string(nAt));
        // A character CP932 lacks: name it and the field it stands in, so it can be found.
        const std::size_t nBefore = szUtf8.find_last_of(",\n", nAt);
        const std::size_t nFieldStart = nBefore == std::string_view::npos ? 0 : nBefore + 1;
        const std::size_t nFieldEnd = std::min(szUtf8.find_first_of(",\r\n", nAt), szUtf8.size());
        char szCode[16];
        std::snprintf(szCode, sizeof szCode, "U+%04X", static_cast<unsigned>(nCode));
        return fail(std::string("Shift-JIS (CP932) cannot hold the character ") + szCode + " in \"" +
                    std::string(szUtf8.substr(nFieldStart, nFieldEnd - nFieldStart)) + "\"");
    }
    // CP932 keeps no shift state; the flush is for form's sake.
    if (::iconv(converter.Get(), nullptr, nullptr, &pOut, &nOutLeft) == static_cast<std::size_t>(-1))
        return fail("the Shift-JIS (CP932) conversion could not be completed");
    szOut.resize(szOut.size() - nOutLeft);
    if (pszCp932 != nullptr)
        *pszCp932 = std::move(szOut);
    return true;
}

bool AppendResultsCsv(const char* szPath, const CResultsTable& table, bool bJapanese, std::string* pszError)
{
    std::string szReason;
    if (AppendCsv(szPath, table, bJapanese, szReason))
        return true;
    LogLine(ELogCategory::Files, "CSV export not written: %s", szReason.c_str());
    if (pszError != nullptr)
        *pszError = std::move(szReason);
    return false;
}
