// Tests of the whole-file reader's failure kinds, of reading parts of a file, and of the
// descriptor owner: a missing file is told from one that cannot be read, nothing blocks,
// a file that changes after it was opened is noticed, and a descriptor is closed
// exactly once.
#include "platform/read_whole_file.h"
#include "platform/unique_fd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class ReadWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vexilo_read_" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const char* szName) const { return (m_dir / szName).string(); }

    fs::path m_dir;
};

bool IsOpen(int nFd) { return ::fcntl(nFd, F_GETFD) != -1; }

TEST_F(ReadWholeFileTest, TellsAMissingFileFromOneThatCannotBeRead)
{
    std::ofstream(Path("data"), std::ios::binary) << "abc";
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        bool bMissing;
    } failures[] = {
        {Path("absent"), true},
        {Path("data") + "/inside", true}, // a file where a folder should be
        {m_dir.string(), false},          // a folder
        {Path("fifo"), false},            // no writer: a blocking open would hang here
    };
    CReadWholeFile file;
    for (const auto& failure : failures) {
        EXPECT_FALSE(file.Read(failure.path.c_str())) << failure.path;
        EXPECT_EQ(file.IsMissing(), failure.bMissing) << failure.path;
        EXPECT_FALSE(file.IsRead()) << failure.path;
    }
    EXPECT_FALSE(file.Read(nullptr));
    EXPECT_FALSE(file.IsMissing()) << "no name is no missing file";

    ASSERT_FALSE(file.Read(Path("absent").c_str()));
    ASSERT_TRUE(file.Read(Path("data").c_str()));
    EXPECT_FALSE(file.IsMissing()) << "a read forgets the last one's failure";
    EXPECT_EQ(file.Text(), "abc");
}

TEST_F(ReadWholeFileTest, RefusesAFileWhoseContentsDoNotMatchItsSize)
{
    // Files of /proc claim size 0 and yet have contents, like a file that grew while read.
    const char* szGrowing = "/proc/self/status";
    if (!fs::exists(szGrowing))
        GTEST_SKIP() << "no /proc here";
    CReadWholeFile file(szGrowing);
    EXPECT_FALSE(file.IsRead());
    EXPECT_FALSE(file.IsMissing());
    EXPECT_EQ(file.Size(), 0u);
}

TEST_F(ReadWholeFileTest, PartsComeFromTheFileAsItWasWhenOpened)
{
    const std::string strData = Path("data");
    std::ofstream(strData, std::ios::binary) << "0123456789";
    CReadFileParts file;
    EXPECT_FALSE(file.Open(Path("absent").c_str(), 100));
    EXPECT_TRUE(file.IsMissing());
    EXPECT_FALSE(file.Open(m_dir.c_str(), 100));
    EXPECT_FALSE(file.IsMissing());
    EXPECT_FALSE(file.Open(strData.c_str(), 9)) << "larger than allowed";
    EXPECT_FALSE(file.ReadAt(0, nullptr, 0)) << "nothing open";
    EXPECT_FALSE(file.EndsAtSize());

    ASSERT_TRUE(file.Open(strData.c_str(), 10));
    EXPECT_EQ(file.Size(), 10u);
    char parts[11] = {};
    ASSERT_TRUE(file.ReadAt(7, reinterpret_cast<BYTE*>(parts), 3));
    ASSERT_TRUE(file.ReadAt(0, reinterpret_cast<BYTE*>(parts) + 3, 2));
    EXPECT_STREQ(parts, "78901");
    EXPECT_FALSE(file.ReadAt(8, reinterpret_cast<BYTE*>(parts), 3)) << "past the end";
    EXPECT_TRUE(file.EndsAtSize());

    std::ofstream(strData, std::ios::binary | std::ios::app) << "X";
    EXPECT_FALSE(file.EndsAtSize()) << "grown since it was opened";
    fs::resize_file(strData, 9);
    EXPECT_FALSE(file.EndsAtSize()) << "shrunk since it was opened";
    fs::resize_file(strData, 10);
    EXPECT_TRUE(file.EndsAtSize());

    std::ofstream(Path("empty"), std::ios::binary).flush();
    ASSERT_TRUE(file.Open(Path("empty").c_str(), 10));
    EXPECT_TRUE(file.ReadAt(0, nullptr, 0));
    EXPECT_TRUE(file.EndsAtSize());
}

TEST(UniqueFd, ClosesItsDescriptorExactlyOnce)
{
    int nFd = -1;
    {
        CUniqueFd first(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        nFd = first.Get();
        ASSERT_GE(nFd, 0);
        CUniqueFd second(std::move(first));
        EXPECT_EQ(first.Get(), -1);
        EXPECT_EQ(second.Get(), nFd);
        CUniqueFd third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(nFd)) << "moving hands the descriptor on without closing it";
    }
    EXPECT_FALSE(IsOpen(nFd)) << "the last owner closes it";

    CUniqueFd owner(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int nOwned = owner.Get();
    EXPECT_TRUE(owner.Close());
    EXPECT_EQ(owner.Get(), -1);
    // The number is free again and may name the next file opened; the owner must leave it alone.
    CUniqueFd next(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_TRUE(owner.Close());
    { CUniqueFd replaced(std::move(owner)); }
    EXPECT_TRUE(IsOpen(next.Get())) << "descriptor " << nOwned << " closed twice";

    // A close that fails is answered, and the descriptor is not tried again.
    const int nFree = next.Get() + 1000;
    ASSERT_FALSE(IsOpen(nFree));
    CUniqueFd bad(nFree);
    EXPECT_FALSE(bad.Close());
    EXPECT_EQ(bad.Get(), -1);
}

} // namespace
