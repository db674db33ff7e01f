// Tests of the profile-file reader and writer: answers for tricky files, edits that keep
// hand-written files intact, refused line breaks and atomic replacement.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("vexilo_profile_" + std::to_string(::getpid()) + "_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        m_file = (m_dir / "Vexilo.ini").string();
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    void Put(const std::string& bytes) const { std::ofstream(m_file, std::ios::binary) << bytes; }
    std::string Contents() const
    {
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    int Int(const char* section, const char* key, int nDefault = 77) const
    {
        return GetPrivateProfileIntA(section, key, nDefault, m_file.c_str());
    }
    std::string Str(const char* key, const char* def = "", DWORD nSize = 64, DWORD* pnLength = nullptr) const
    {
        std::string buffer(nSize, '#');
        DWORD n = GetPrivateProfileStringA("S", key, def, buffer.data(), nSize, m_file.c_str());
        if (pnLength)
            *pnLength = n;
        EXPECT_EQ(buffer.find('\0'), n) << "length answered for key " << key;
        return buffer.substr(0, n);
    }
    BOOL Write(const char* section, const char* key, const char* value) const
    {
        return WritePrivateProfileStringA(section, key, value, m_file.c_str());
    }
    size_t EntryCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(m_dir), {})); }

    fs::path m_dir;
    std::string m_file;
};

// Runs f without root's power to ignore file permissions (in a child process as
// "nobody" when running as root). Empty when that is not possible here.
std::optional<BOOL> RunUnprivileged(const std::function<BOOL()>& f)
{
    if (::geteuid() != 0)
        return f();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(f() ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 1 ? TRUE : FALSE;
}

struct CIntCase {
    const char* lines; // the lines after "[S]", CRLF-terminated when written
    const char* section;
    const char* key;
    int expected;
};

TEST_F(ProfileTest, IntegerAnswers)
{
    const CIntCase cases[] = {
        {"GlovalGain=3", "s", "GLOVALGAIN", 3},
        {"  SpKey   =   11  ", "S", "SpKey", 11},
        {"V=  42", "S", "V", 42},
        {"V=\t42", "S", "V", 42},
        {"V=42   ", "S", "V", 42},
        {"V=42abc", "S", "V", 42},
        {"V=4 2", "S", "V", 4},
        {"V=abc", "S", "V", 0},
        {"V=", "S", "V", 77},
        {"V=+5", "S", "V", 5},
        {"V=-5", "S", "V", -5},
        {"V=\"12\"", "S", "V", 12},
        {"V='13'", "S", "V", 13},
        {";V=5", "S", "V", 77},
        {"V=8 ; comment", "S", "V", 8},
        {"V=1\r\nV=2", "S", "V", 1},
        {"NoEquals\r\nV=6", "S", "V", 6},
        {"NoEquals", "S", "NoEquals", 77},
        {"V=4294967297", "S", "V", 1}, // wraps like the platform's 32-bit answer
        {"[ Spaced ]\r\nK=1", "Spaced", "K", 1},
        {"V=5", "T", "V", 77},
    };
    for (const CIntCase& c : cases) {
        Put(std::string("[S]\r\n") + c.lines + "\r\n");
        EXPECT_EQ(Int(c.section, c.key), c.expected) << c.lines;
    }
}

TEST_F(ProfileTest, StringAnswers)
{
    Put("[S]\r\nQ=\"hello world\"\r\nH=\"abc\r\nI=a\"b\"c\r\nT=abc   \r\nL=   abc\r\nE=\r\n"
        "V=8 ; comment\r\na=b=1\r\nLong=abcdefghij\r\n");
    DWORD n = 0;
    EXPECT_EQ(Str("Q", "", 64, &n), "hello world");
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(Str("H"), "\"abc");
    EXPECT_EQ(Str("I"), "a\"b\"c");
    EXPECT_EQ(Str("T"), "abc");
    EXPECT_EQ(Str("L"), "abc");
    EXPECT_EQ(Str("E", "dflt"), "");
    EXPECT_EQ(Str("Missing", "dflt   "), "dflt");
    EXPECT_EQ(Str("Missing", nullptr), "");
    EXPECT_EQ(Str("V"), "8 ; comment");
    EXPECT_EQ(Str("a"), "b=1");
    EXPECT_EQ(Str("Long", "", 5), "abcd");
    EXPECT_EQ(Str("Long", "", 10), "abcdefghi");
    EXPECT_EQ(Str("Long", "", 11), "abcdefghij");
    EXPECT_EQ(Str("Missing", "abcdefghij", 5), "abcd");

    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("S", "Q", "", &untouched, 0, m_file.c_str()), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST_F(ProfileTest, MissingOrUnusualFilesGiveDefaultsOrTheirValues)
{
    EXPECT_EQ(Int("S", "V"), 77);
    EXPECT_EQ(Str("V", "dflt"), "dflt");

    // Byte order mark, LF line ends, no final line end.
    Put("\xEF\xBB\xBF[S]\nV=5\nW=last");
    EXPECT_EQ(Int("S", "V"), 5);
    EXPECT_EQ(Str("W"), "last");

    Put("[S]\r\nBig=" + std::string(1 << 20, 'x') + "\r\nAfter=2\r\n");
    EXPECT_EQ(Str("Big"), std::string(63, 'x'));
    EXPECT_EQ(Int("S", "After"), 2);
}

TEST_F(ProfileTest, NullNamesListSectionsAndKeys)
{
    Put("Orphan=0\r\n[A]\r\nx=1\r\nY=2\r\n[B]\r\n[a]\r\nX=3\r\nz=4\r\n");
    char buffer[32];
    DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, m_file.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("A\0B\0", 5));
    n = GetPrivateProfileStringA("A", nullptr, "", buffer, sizeof buffer, m_file.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("x\0Y\0z\0", 7));
    n = GetPrivateProfileStringA("A", nullptr, "", buffer, 5, m_file.c_str()); // room for "x\0Y\0" only
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::string(buffer, 5), std::string("x\0Y\0\0", 5));
}

struct CWriteCase {
    const char* before; // nullptr: no file
    const char* section;
    const char* key;
    const char* value; // nullptr: delete
    const char* after; // nullptr: no file
};

TEST_F(ProfileTest, WritesKeepTheFileTidy)
{
    const CWriteCase cases[] = {
        {nullptr, "Cam", "Gain", "5", "[Cam]\r\nGain=5\r\n"},
        {"[Cam]\r\nGain=5\r\n", "Cam", "Exposure", "100", "[Cam]\r\nGain=5\r\nExposure=100\r\n"},
        {"[Cam]\r\nGain=5\r\n", "Other", "Mode", "auto", "[Cam]\r\nGain=5\r\n[Other]\r\nMode=auto\r\n"},
        {"[Cam]\r\nGain=5\r\n", "CAM", "GAIN", "9", "[Cam]\r\nGain=9\r\n"},
        {"[S]\r\n", "S", "Spaced", "  x  ", "[S]\r\nSpaced=x\r\n"},
        {"[S]\r\n", "S", "EmptyVal", "", "[S]\r\nEmptyVal=\r\n"},
        // A hand-written file: only the written line changes, its spacing kept; a new key
        // goes after its section's last key, before the next section's heading comment.
        {"; settings\r\n\r\n[Cam]\r\n  a = b\r\nK=1\r\n\r\n; next\r\n[B]\r\nZ=0\r\n", "cam", "A", "c",
         "; settings\r\n\r\n[Cam]\r\n  a = c\r\nK=1\r\n\r\n; next\r\n[B]\r\nZ=0\r\n"},
        {"; settings\r\n\r\n[Cam]\r\n  a = b\r\nK=1\r\n\r\n; next\r\n[B]\r\nZ=0\r\n", "Cam", "New", "n",
         "; settings\r\n\r\n[Cam]\r\n  a = b\r\nK=1\r\nNew=n\r\n\r\n; next\r\n[B]\r\nZ=0\r\n"},
        // LF files stay LF; a byte order mark stays; a missing final line end is added.
        {"\xEF\xBB\xBF[Cam]\nGain=5", "Cam", "Shutter", "512", "\xEF\xBB\xBF[Cam]\nGain=5\nShutter=512\n"},
        {"[Cam]\nGain=5\n", "X", "Y", "1", "[Cam]\nGain=5\n[X]\nY=1\n"},
        // A null value deletes the key everywhere it could be read from.
        {"[S]\r\nV=1\r\nW=2\r\n[s]\r\nv=3\r\n", "S", "V", nullptr, "[S]\r\nW=2\r\n[s]\r\n"},
        {nullptr, "S", "V", nullptr, nullptr},
    };
    for (const CWriteCase& c : cases) {
        fs::remove(m_file);
        if (c.before)
            Put(c.before);
        EXPECT_EQ(Write(c.section, c.key, c.value), TRUE) << c.key;
        if (c.after)
            EXPECT_EQ(Contents(), c.after) << c.key;
        else
            EXPECT_FALSE(fs::exists(m_file));
    }
}

TEST_F(ProfileTest, LineBreaksAndBadNamesAreRefused)
{
    const std::string before = "[Vexilo]\r\nsavedir=/pictures\r\nGamma=100\r\n";
    Put(before);
    EXPECT_EQ(Write("Vexilo", "savedir", "x\r\ny=2"), FALSE);
    EXPECT_EQ(Write("Vexilo", "savedir", "x\ny=2"), FALSE);
    EXPECT_EQ(Write("Vexilo", "savedir", "x\r"), FALSE);
    EXPECT_EQ(Write("Vexilo", "k\r\ny", "1"), FALSE);
    EXPECT_EQ(Write("Vexilo\r\n[Other", "k", "1"), FALSE);
    EXPECT_EQ(Write("a]b", "k", "1"), FALSE);
    for (const char* section : {"", " \t "}) // "[]" is no section anyone means to write
        EXPECT_EQ(Write(section, "k", "1"), FALSE) << '"' << section << '"';
    for (const char* key : {"", "  ", "a=b", "[x", ";x"})
        EXPECT_EQ(Write("Vexilo", key, "1"), FALSE) << key;
    EXPECT_EQ(Write(nullptr, "k", "1"), FALSE);
    EXPECT_EQ(Write("Vexilo", nullptr, "1"), FALSE);
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(Int("Vexilo", "y"), 77);
    EXPECT_EQ(Int("Vexilo", "Gamma"), 100);
}

// Edits in a row on one profile: after each, every key reads as it does from the text
// saved and loaded again, so the lookups follow lines moved by earlier edits.
TEST(ProfileFile, EditsInARowReadLikeTheirSavedText)
{
    CProfileFile profile;
    profile.SetText("[A]\r\na=1\r\n[B]\r\nb=2\r\n; about C\r\n[C]\r\nc=3\r\n[a]\r\nx=4\r\na=5\r\n[B]\r\nb=6\r\nz=7\r\n");
    const struct {
        const char* section;
        const char* key;
        const char* value; // nullptr: delete
    } edits[] = {
        {"A", "new", "n"},   // a line inserted before every other section
        {"D", "d", "8"},     // a new section at the end
        {"B", "b", nullptr}, // two lines removed, in both sections B
        {"a", "A", nullptr}, // the first of two lines of the key in sections A / a
        {"C", "c", "33"},    // changed in place
        {"B", "b", "9"},     // back again, in the first section B
        {"a", "x", nullptr},
        {"A", "more", "m"},
    };
    const char* const sections[] = {"A", "B", "C", "D"};
    const char* const keys[] = {"a", "b", "c", "d", "x", "z", "new", "more"};
    for (const auto& edit : edits) {
        ASSERT_TRUE(profile.WriteString(edit.section, edit.key, edit.value)) << edit.key;
        CProfileFile saved;
        saved.SetText(profile.GetText());
        for (const char* section : sections)
            for (const char* key : keys) {
                char edited[16], reread[16];
                profile.GetString(section, key, "-", edited, sizeof edited);
                saved.GetString(section, key, "-", reread, sizeof reread);
                EXPECT_STREQ(edited, reread) << "after " << edit.section << "/" << edit.key << ": " << section << "/"
                                             << key;
            }
    }
    EXPECT_EQ(profile.GetText(), "[A]\r\nnew=n\r\nmore=m\r\n[B]\r\nb=9\r\n; about C\r\n[C]\r\nc=33\r\n[a]\r\n[B]\r\nz=7\r\n"
                                 "[D]\r\nd=8\r\n");
}

// UTF-16 files cannot be read (every key answers its default) and are not written, so
// ASCII lines never corrupt them. Text with a few stray zero bytes, or a zero-filled
// tail, is not UTF-16.
TEST_F(ProfileTest, Utf16FilesAreNeitherReadNorWritten)
{
    auto utf16 = [](const std::string& ascii, bool bBigEndian) {
        std::string wide;
        for (char c : ascii)
            wide += bBigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return wide;
    };
    const std::string text = "[S]\r\nV=5\r\n";
    for (const std::string& file : {"\xFF\xFE" + utf16(text, false), "\xFE\xFF" + utf16(text, true), utf16(text, false),
                                     utf16(text, true)}) {
        Put(file);
        EXPECT_EQ(Int("S", "V"), 77);
        EXPECT_EQ(Str("V", "dflt"), "dflt");
        char list[8] = "#######";
        EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, m_file.c_str()), 0u);
        EXPECT_EQ(std::string(list, 2), std::string(2, '\0'));
        EXPECT_EQ(Write("S", "V", "1"), FALSE);
        EXPECT_EQ(Write("New", "k", "1"), FALSE);
        EXPECT_EQ(Write("S", "V", nullptr), FALSE);
        EXPECT_EQ(Contents(), file);
    }

    using namespace std::string_literals;
    for (const std::string& file : {"[S]\r\nV=5\r\nW=a\0b\r\n"s, text + std::string(300, '\0')}) {
        Put(file);
        EXPECT_EQ(Int("S", "V"), 5);
        EXPECT_EQ(Write("S", "X", "1"), TRUE);
        EXPECT_EQ(Int("S", "X"), 1);
    }
}

TEST_F(ProfileTest, WriteReplacesTheFileKeepingPermissions)
{
    Put("[S]\r\nV=1\r\n");
    fs::permissions(m_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::path oldLink = m_dir / "old";
    fs::create_hard_link(m_file, oldLink);
    fs::path link = m_dir / "link.ini";
    fs::create_symlink("Vexilo.ini", link);

    ASSERT_EQ(WritePrivateProfileStringA("S", "V", "2", link.c_str()), TRUE);
    EXPECT_EQ(Contents(), "[S]\r\nV=2\r\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(m_file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // The old file was replaced, not edited: a second name of it still shows the old contents.
    std::ifstream old(oldLink, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "[S]\r\nV=1\r\n");
    EXPECT_EQ(EntryCount(), 3u); // no temporary file left
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFile)
{
    const std::string before = "[S]\r\nV=1\r\n";
    Put(before);
    fs::permissions(m_dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::optional<BOOL> result = RunUnprivileged([this] { return Write("S", "V", "2"); });
    if (!result)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(*result, FALSE);
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(EntryCount(), 1u);

    // An existing file that cannot be read is not overwritten with a fresh one.
    fs::permissions(m_dir, fs::perms::all);
    fs::permissions(m_file, fs::perms::none);
    EXPECT_EQ(RunUnprivileged([this] { return Write("S", "W", "2"); }), FALSE);
    fs::permissions(m_file, fs::perms::owner_read);
    EXPECT_EQ(Contents(), before);
}

} // namespace
