// vexilo-cli thumbnails: the cache is built, then refreshed from itself, and what was
// taken from it and what was decoded is counted; an unreadable folder fails.
#include "app/cli/cli_commands.h"

#include "app/files/bmp_writer.h"
#include "app/files/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Contents(std::FILE* pFile)
{
    std::fflush(pFile);
    std::rewind(pFile);
    std::string text;
    for (int c; (c = std::fgetc(pFile)) != EOF;)
        text.push_back(static_cast<char>(c));
    return text;
}

// Runs the command; answers its exit status, what it printed and its message.
int Thumbnails(const std::string& szFolder, std::string& szOut, std::string& szErr)
{
    std::FILE* pOut = std::tmpfile();
    std::FILE* pErr = std::tmpfile();
    const int nStatus = RunThumbnails(szFolder, CCliOutput{pOut, pErr, stdin});
    szOut = Contents(pOut);
    szErr = Contents(pErr);
    std::fclose(pOut);
    std::fclose(pErr);
    return nStatus;
}

void WritePicture(const fs::path& path)
{
    CDibImage picture;
    picture.Create(64, 48, 24);
    picture.Fill(nullptr, RGB(200, 100, 50));
    if (path.extension() == ".jpg")
        SaveJpeg(picture, path.c_str());
    else
        WriteBmp(picture, path.c_str());
}

} // namespace

TEST(CliThumbnails, BuildsThenRefreshesTheCache)
{
    const fs::path folder = fs::temp_directory_path() / ("vexilo-cli-thumbs-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    WritePicture(folder / "a.bmp");
    WritePicture(folder / "b.jpg");
    std::string szOut, szErr;

    EXPECT_EQ(CLI_OK, Thumbnails(folder.string(), szOut, szErr));
    EXPECT_EQ("thumbnails=2 cached=0 made=2\n", szOut);
    EXPECT_EQ(29u + 4 + 2 * (5 + 1 + 8 + 44154), fs::file_size(folder / "ThumbNail"));
    EXPECT_EQ(CLI_OK, Thumbnails(folder.string(), szOut, szErr));
    EXPECT_EQ("thumbnails=2 cached=2 made=0\n", szOut);

    fs::remove(folder / "a.bmp");
    WritePicture(folder / "c.bmp");
    EXPECT_EQ(CLI_OK, Thumbnails(folder.string(), szOut, szErr));
    EXPECT_EQ("thumbnails=2 cached=1 made=1\n", szOut);

    // An emptied folder loses its cache; a missing one is a failure with one line.
    fs::remove(folder / "b.jpg");
    fs::remove(folder / "c.bmp");
    EXPECT_EQ(CLI_OK, Thumbnails(folder.string(), szOut, szErr));
    EXPECT_EQ("thumbnails=0 cached=0 made=0\n", szOut);
    EXPECT_FALSE(fs::exists(folder / "ThumbNail"));
    fs::remove_all(folder);
    EXPECT_EQ(CLI_FAILURE, Thumbnails(folder.string(), szOut, szErr));
    EXPECT_EQ("", szOut);
    EXPECT_EQ("vexilo-cli: cannot read the folder " + folder.string() + "\n", szErr);
}
