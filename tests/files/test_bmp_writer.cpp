// WriteBmp: the file layout for 24- and 8-bit pictures, reading back bit for bit, and
// replacing files in one piece.
#include "app/files/bmp_writer.h"

#include "app/files/picture_loader.h"
#include "tests/files/files_test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

namespace {

// Pixel bytes get a pattern; row padding stays zero, as in every picture.
CDibImage PatternPicture(int nWidth, int nHeight, int nBitCount)
{
    CDibImage image;
    image.Create(nWidth, nHeight, nBitCount);
    for (int r = 0; r < nHeight; ++r)
        for (int i = 0; i < nWidth * nBitCount / 8; ++i)
            image.Bits()[r * image.Stride() + i] = static_cast<BYTE>(i * 31 + r * 7 + i / 7);
    return image;
}

// The headers WriteBmp is to write: file header, then the picture's own info header
// with biSize 40.
Bytes Headers(const CDibImage& image, DWORD dwOffset)
{
    const BITMAPFILEHEADER file{0x4D42, dwOffset + static_cast<DWORD>(image.Stride() * image.Height()), 0, 0, dwOffset};
    BITMAPINFOHEADER info = image.Header();
    info.biSize = 40;
    Bytes out(sizeof(file) + sizeof(info));
    std::memcpy(out.data(), &file, sizeof(file));
    std::memcpy(out.data() + sizeof(file), &info, sizeof(info));
    return out;
}

} // namespace

TEST(WriteBmp, FilesHoldHeadersTableAndRowsAsStored)
{
    CTempFolder folder;
    const CDibImage wide = PatternPicture(641, 480, 24);
    ASSERT_TRUE(WriteBmp(wide, folder.File("wide.bmp").c_str()));
    const Bytes file = ReadBytes(folder.File("wide.bmp"));
    ASSERT_EQ(923574u, file.size()); // 54 + 1924 x 480, which bfSize holds too
    EXPECT_EQ(Headers(wide, 54), Bytes(file.begin(), file.begin() + 54));
    EXPECT_EQ(0, std::memcmp(file.data() + 54, wide.Bits(), 1924u * 480));
    CDibImage loaded; // read back bit for bit
    ASSERT_EQ(1, LoadPicture(loaded, folder.File("wide.bmp").c_str()));
    ASSERT_EQ(1924, loaded.Stride());
    EXPECT_EQ(0, std::memcmp(loaded.Bits(), wide.Bits(), 1924u * 480));

    // 8 bits: offset 1078 and all 256 entries, even with most of them a grey ramp.
    CDibImage grey = PatternPicture(637, 3, 8);
    const RGBQUAD few[2] = {{1, 2, 3, 0}, {200, 100, 50, 0}};
    grey.SetPalette(CDibImage::PALETTE_ENTRIES, few, 10, 2);
    ASSERT_TRUE(WriteBmp(grey, folder.File("grey.bmp").c_str()));
    const Bytes greyFile = ReadBytes(folder.File("grey.bmp"));
    ASSERT_EQ(1078u + 640 * 3, greyFile.size());
    EXPECT_EQ(Headers(grey, 1078), Bytes(greyFile.begin(), greyFile.begin() + 54));
    EXPECT_EQ(0, std::memcmp(greyFile.data() + 54, grey.ColorTable(), 1024));
    CDibImage back; // the file is a packed bitmap that reads back with table and indices
    ASSERT_TRUE(back.LoadFromBmpMemory(greyFile.data(), greyFile.size()));
    ASSERT_EQ(8, back.BitCount());
    EXPECT_EQ(0, std::memcmp(back.ColorTable(), grey.ColorTable(), 1024));
    EXPECT_EQ(0, std::memcmp(back.Bits(), grey.Bits(), 640u * 3));
}

TEST(WriteBmp, ReplacesAWholeFileOrLeavesItAlone)
{
    CTempFolder folder;
    const std::string strPath = folder.File("picture.bmp");
    WriteBytes(strPath, Bytes(5000, 0xAA));
    ::chmod(strPath.c_str(), 0640);
    const CDibImage image = PatternPicture(3, 2, 24);
    ASSERT_TRUE(WriteBmp(image, strPath.c_str()));
    EXPECT_EQ(54u + 2 * 12, ReadBytes(strPath).size()); // the longer file is gone
    struct stat info;
    ASSERT_EQ(0, ::stat(strPath.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 0777u); // its permissions are kept

    EXPECT_FALSE(WriteBmp(image, folder.File("no/such/folder.bmp").c_str()));
    EXPECT_FALSE(WriteBmp(image, folder.File("").c_str())); // a folder
    EXPECT_FALSE(WriteBmp(CDibImage(), folder.File("empty.bmp").c_str()));
    EXPECT_EQ(std::vector<std::string>{"picture.bmp"}, folder.Entries()); // no temporary file left
}

TEST(WriteBmp, AHeaderTakenFromAFileIsMadeTrueOfWhatIsWritten)
{
    // A picture created from a file's header keeps its fields: more colours used than
    // the 256 written (or any, at 24 bits, where none are written), as many important
    // ones, an image size that is not the rows'. Written back unchanged, our own reader
    // would look for the rows behind a table of 300 entries and refuse the file.
    CTempFolder folder;
    const std::string strPath = folder.File("loaded.bmp");
    for (const WORD nBitCount : {WORD{8}, WORD{24}}) {
        const BITMAPINFOHEADER header{40, 5, 3, 1, nBitCount, BI_RGB, 7, 2835, 2835, 300, 300};
        CDibImage image;
        ASSERT_TRUE(image.CreateFromHeader(&header));
        ASSERT_EQ(300u, image.Header().biClrUsed);
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 5 * nBitCount / 8; ++i)
                image.Bits()[r * image.Stride() + i] = static_cast<BYTE>(40 * r + 7 * i + 1);
        RGBQUAD table[256];
        for (int i = 0; i < 256; ++i)
            table[i] = RGBQUAD{static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), static_cast<BYTE>(i / 2), 0};
        image.SetPalette(CDibImage::PALETTE_ENTRIES, table, 0, 256);

        ASSERT_TRUE(WriteBmp(image, strPath.c_str()));
        const Bytes file = ReadBytes(strPath);
        ASSERT_EQ((nBitCount == 8 ? 1078u : 54u) + 3u * image.Stride(), file.size());
        BITMAPINFOHEADER written;
        std::memcpy(&written, file.data() + 14, sizeof(written));
        EXPECT_EQ(0u, written.biClrUsed) << nBitCount;
        EXPECT_EQ(0u, written.biClrImportant) << nBitCount;
        EXPECT_EQ(0u, written.biSizeImage) << nBitCount;
        EXPECT_EQ(BI_RGB, written.biCompression) << nBitCount;
        EXPECT_EQ(2835, written.biXPelsPerMeter) << nBitCount; // what is true stays

        CDibImage loaded;
        ASSERT_EQ(1, LoadPicture(loaded, strPath.c_str())) << nBitCount;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const BYTE* pSaved = PixelAt(image, x, y);
                const BYTE* pColour = nBitCount == 8 ? &table[*pSaved].rgbBlue : pSaved;
                EXPECT_EQ(Bytes(pColour, pColour + 3), Bytes(PixelAt(loaded, x, y), PixelAt(loaded, x, y) + 3))
                    << nBitCount << " bits at " << x << "," << y;
            }
    }
}
