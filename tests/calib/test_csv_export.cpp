// Tests of the results list's CSV export: appending keeps earlier exports, Japanese
// exports are Shift-JIS bytes, numbers keep their decimal point in any locale, and a
// failed write leaves no file and no damaged file behind.
#include "app/calib/csv_export.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CsvExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Folder = fs::temp_directory_path() / ("vexilo_csv_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_Folder);
    }
    void TearDown() override
    {
        fs::permissions(m_Folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_Folder);
    }

    std::string Path(const char* szName) const { return (m_Folder / szName).string(); }

    // Adds a finished item of type nTool with the values given to the table.
    void Add(CResultsTable& table, MeasureTool nTool, double d0, double d1 = 0, double d2 = 0)
    {
        MeasureItem& item = m_Items.emplace_back();
        item.Type = -nTool;
        item.Value[0] = d0;
        item.Value[1] = d1;
        item.Value[2] = d2;
        table.AddItemRows(item);
    }

    static std::string ReadFile(const std::string& szPath)
    {
        std::ifstream file(szPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::size_t EntriesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_Folder), fs::directory_iterator()));
    }

    fs::path m_Folder;
    std::deque<MeasureItem> m_Items; // the tables point at them
    MeasureUnit m_nUnit = UNIT_CM;
};

constexpr char kEnglishHeader[] = "No.,Type,Result,Unit\r\n";
// "No.,計測内容,測定値,単位" in CP932 (hex escapes split where a letter follows).
const std::string kJapaneseHeader = "No.,\x8C" "v\x91\xAA\x93\xE0\x97" "e,"
                                    "\x91\xAA\x92\xE8\x92" "l,\x92" "P\x88\xCA\r\n";

TEST_F(CsvExport, TwoExportsIntoOneFileGiveTwoHeadersEachFollowedByItsRows)
{
    CResultsTable first([this] { return m_nUnit; }, false);
    Add(first, TOOL_LINE, 1.0);
    Add(first, TOOL_ANGLE, 90.0);
    std::string szError;
    ASSERT_TRUE(AppendResultsCsv(Path("r.csv").c_str(), first, false, &szError)) << szError;

    m_nUnit = UNIT_MM;
    CResultsTable second([this] { return m_nUnit; }, false);
    Add(second, TOOL_CIRCLE2, 2.0, 3.0, 12.5);
    Add(second, TOOL_ARIA, 0.25);
    ASSERT_TRUE(AppendResultsCsv(Path("r.csv").c_str(), second, false, &szError)) << szError;

    EXPECT_EQ(ReadFile(Path("r.csv")), std::string(kEnglishHeader) +
                                           "0,Length,1.00,cm\r\n"
                                           "1,Angle,90.0,degree\r\n" +
                                           kEnglishHeader +
                                           "0,Circle diameter,2.000,mm\r\n"
                                           "1,Circle diameter,3.000,mm\r\n"
                                           "2,Circle distance,12.500,mm\r\n"
                                           "3,Polygon area,0.250,mm2\r\n");
    EXPECT_EQ(EntriesInFolder(), 1u) << "no temporary file is left";
}

TEST_F(CsvExport, AnEmptyTableExportsTheHeaderOnly)
{
    const CResultsTable table([] { return UNIT_CM; }, false);
    std::ofstream(Path("r.csv"), std::ios::binary) << "kept\r\n";
    ASSERT_TRUE(AppendResultsCsv(Path("r.csv").c_str(), table, false, nullptr));
    EXPECT_EQ(ReadFile(Path("r.csv")), std::string("kept\r\n") + kEnglishHeader);
    ASSERT_TRUE(AppendResultsCsv(Path("j.csv").c_str(), CResultsTable([] { return UNIT_CM; }, true), true, nullptr));
    EXPECT_EQ(ReadFile(Path("j.csv")), kJapaneseHeader);
}

TEST_F(CsvExport, JapaneseExportsAreShiftJisBytes)
{
    CResultsTable table([this] { return m_nUnit; }, true);
    Add(table, TOOL_ANGLE, 90.0);
    std::string szError;
    ASSERT_TRUE(AppendResultsCsv(Path("j.csv").c_str(), table, true, &szError)) << szError;
    // "0,角度,90.0,°": the degree sign is 0x81 0x8B.
    EXPECT_EQ(ReadFile(Path("j.csv")), kJapaneseHeader + "0,\x8A" "p\x93" "x,90.0,\x81\x8B\r\n");

    // Every type text the list can show has a Shift-JIS form.
    Add(table, TOOL_LINE, 1.0);
    Add(table, TOOL_ARIA, 1.0);
    Add(table, TOOL_CIRCLE, 1.0);
    Add(table, TOOL_CIRCLE2, 1.0, 1.0, 1.0);
    EXPECT_TRUE(AppendResultsCsv(Path("j.csv").c_str(), table, true, &szError)) << szError;
}

TEST_F(CsvExport, CharactersShiftJisCannotHoldFailWithTheCharacterNamed)
{
    std::string szOut = "old", szError;
    EXPECT_FALSE(Utf8ToCp932("0,Length,1.00,\xE2\x98\x83m\r\n", &szOut, &szError)); // U+2603 snowman
    EXPECT_EQ(szOut, "");
    EXPECT_NE(szError.find("U+2603 in \"\xE2\x98\x83m\""), std::string::npos) << szError;
    EXPECT_FALSE(Utf8ToCp932("ab\xFF", &szOut, &szError));
    EXPECT_NE(szError.find("not valid UTF-8 at byte 2"), std::string::npos) << szError;
    EXPECT_FALSE(Utf8ToCp932("\xE8\xA8", &szOut, &szError)) << "a character cut short";
}

TEST_F(CsvExport, NumbersKeepTheirDecimalPointInAGermanLocale)
{
    const std::string szBefore = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (scripts/install-deps.sh generates it)";
    CResultsTable table([this] { return m_nUnit; }, false);
    Add(table, TOOL_LINE, 1.5);
    Add(table, TOOL_ANGLE, 45.25);
    const bool bWritten = AppendResultsCsv(Path("r.csv").c_str(), table, false, nullptr);
    std::setlocale(LC_ALL, szBefore.c_str());
    ASSERT_TRUE(bWritten);
    EXPECT_EQ(ReadFile(Path("r.csv")), std::string(kEnglishHeader) + "0,Length,1.50,cm\r\n1,Angle,45.2,degree\r\n");
}

TEST_F(CsvExport, AFailedWriteLeavesNoFileAndNoDamagedFile)
{
    CResultsTable table([this] { return m_nUnit; }, false);
    Add(table, TOOL_LINE, 1.0);
    std::string szError;

    // A folder by the name stays as it is.
    fs::create_directory(m_Folder / "dir.csv");
    EXPECT_FALSE(AppendResultsCsv(Path("dir.csv").c_str(), table, false, &szError));
    EXPECT_NE(szError.find("is not a file"), std::string::npos) << szError;
    EXPECT_TRUE(fs::is_directory(m_Folder / "dir.csv"));

    // A write that runs out of room (a file size limit, which binds root too) keeps the
    // existing rows and leaves no temporary file.
    const std::string szOld = std::string(kEnglishHeader) + "0,Length,9.00,cm\r\n";
    std::ofstream(Path("r.csv"), std::ios::binary) << szOld;
    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit tight = oldLimit;
    tight.rlim_cur = szOld.size() + 4;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool bWritten = AppendResultsCsv(Path("r.csv").c_str(), table, false, &szError);
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(bWritten);
    EXPECT_NE(szError.find("cannot write " + Path("r.csv")), std::string::npos) << szError;
    EXPECT_EQ(szError.find('\n'), std::string::npos) << "one line";
    EXPECT_EQ(ReadFile(Path("r.csv")), szOld);
    EXPECT_EQ(EntriesInFolder(), 2u) << "dir.csv and r.csv only";
}

TEST_F(CsvExport, AReadOnlyFolderOrUnreadableFileGivesAReason)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes and reads regardless of permissions";
    CResultsTable table([this] { return m_nUnit; }, false);
    Add(table, TOOL_LINE, 1.0);
    std::string szError;

    std::ofstream(Path("locked.csv"), std::ios::binary) << "secret\r\n";
    fs::permissions(Path("locked.csv"), fs::perms::none);
    EXPECT_FALSE(AppendResultsCsv(Path("locked.csv").c_str(), table, false, &szError));
    EXPECT_NE(szError.find("cannot read the existing file"), std::string::npos) << szError;
    fs::permissions(Path("locked.csv"), fs::perms::owner_read);
    EXPECT_EQ(ReadFile(Path("locked.csv")), "secret\r\n") << "an unreadable file is not replaced";

    fs::permissions(m_Folder, fs::perms(0555));
    EXPECT_FALSE(AppendResultsCsv(Path("new.csv").c_str(), table, false, &szError));
    EXPECT_NE(szError.find("Permission denied"), std::string::npos) << szError;
    EXPECT_FALSE(fs::exists(m_Folder / "new.csv"));
    EXPECT_EQ(EntriesInFolder(), 1u) << "no temporary file is left";
}

TEST_F(CsvExport, DefaultNameAndFolder)
{
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 4;
    EXPECT_EQ(CsvDefaultName(local), "20240307090504.csv");

    EXPECT_EQ(CsvResultFolder("/home/u/scope"), "/home/u/scope/result");
    EXPECT_EQ(CsvResultFolder("/home/u/scope/"), "/home/u/scope/result");
    const std::string szSettings = Path("a/b");
    ASSERT_TRUE(MakeCsvResultFolder(szSettings));
    EXPECT_TRUE(fs::is_directory(szSettings + "/result"));
    EXPECT_TRUE(MakeCsvResultFolder(szSettings)) << "an existing folder is fine";
}

} // namespace
