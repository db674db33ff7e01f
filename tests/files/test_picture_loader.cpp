// LoadPicture and the whole-file reader: BMP variants and JPEG kinds upright at 24 bits,
// drawing into an existing picture, broken files of every sort, and files loading
// byte for byte as their contents do from memory.
#include "app/files/picture_loader.h"

#include "platform/read_whole_file.h"
#include "tests/files/files_test_util.h"
#include "tests/files/synthetic_picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>

namespace {

// A BMP file image: headers, masks (BI_BITFIELDS when given), colour table, rows as
// stored (each padded to 4 bytes here).
Bytes BmpFile(int nWidth, int nHeight, int nBitCount, const std::vector<Bytes>& rows,
              const std::vector<RGBQUAD>& table = {}, const std::vector<DWORD>& masks = {})
{
    const auto append = [](Bytes& out, const void* p, std::size_t n) {
        out.insert(out.end(), static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
    };
    const BITMAPFILEHEADER file{0x4D42, 0, 0, 0, static_cast<DWORD>(54 + 4 * masks.size() + 4 * table.size())};
    const BITMAPINFOHEADER info{40, nWidth, nHeight, 1, static_cast<WORD>(nBitCount),
                                masks.empty() ? BI_RGB : BI_BITFIELDS, 0, 0, 0, static_cast<DWORD>(table.size()), 0};
    Bytes out;
    append(out, &file, sizeof(file));
    append(out, &info, sizeof(info));
    append(out, masks.data(), 4 * masks.size());
    append(out, table.data(), 4 * table.size());
    for (Bytes row : rows) {
        row.resize((static_cast<std::size_t>(nBitCount) * nWidth + 31) / 32 * 4, 0);
        append(out, row.data(), row.size());
    }
    return out;
}

int LoadBytes(CDibImage& image, const Bytes& bytes)
{
    return LoadPictureFromMemory(image, bytes.data(), bytes.size());
}

Bytes Bgr(const CDibImage& image, int x, int y)
{
    return Bytes(PixelAt(image, x, y), PixelAt(image, x, y) + 3);
}

const RGBQUAD RED{0, 0, 255, 0}, GREEN{0, 255, 0, 0}, BLUE{255, 0, 0, 0};

// n random bytes, the same for the same seed.
Bytes Noise(std::size_t n, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    Bytes out(n);
    for (BYTE& b : out)
        b = static_cast<BYTE>(random());
    return out;
}

// nHeight stored rows of random bytes, padding included, of a 24-bit bitmap.
std::vector<Bytes> NoiseRows(int nWidth, int nHeight)
{
    std::vector<Bytes> rows;
    for (int i = 0; i < nHeight; ++i)
        rows.push_back(Noise((3 * static_cast<std::size_t>(nWidth) + 3) & ~std::size_t{3}, 100 * nWidth + i));
    return rows;
}

void SetDword(Bytes& bytes, std::size_t nAt, DWORD dwValue)
{
    std::memcpy(bytes.data() + nAt, &dwValue, sizeof(dwValue));
}

// Same result, and if loaded, the same header, colour table and pixel memory.
void ExpectSameLoad(int nResult, const CDibImage& image, int nExpected, const CDibImage& expected,
                    const std::string& strWhat)
{
    ASSERT_EQ(nExpected, nResult) << strWhat;
    ASSERT_EQ(expected.IsCreated(), image.IsCreated()) << strWhat;
    if (!expected.IsCreated())
        return;
    ASSERT_EQ(expected.Stride() * expected.Height(), image.Stride() * image.Height()) << strWhat;
    EXPECT_EQ(0, std::memcmp(&expected.Header(), &image.Header(), sizeof(BITMAPINFOHEADER))) << strWhat;
    EXPECT_EQ(0, std::memcmp(expected.ColorTable(), image.ColorTable(), 256 * sizeof(RGBQUAD))) << strWhat;
    EXPECT_EQ(0, std::memcmp(expected.Bits(), image.Bits(), std::size_t(expected.Stride()) * expected.Height()))
        << strWhat;
}

// LoadPicture of the bytes as a file against LoadPictureFromMemory of them, into an empty
// picture and into existing 8-bit and 24-bit ones.
void ExpectFileLoadsAsMemory(const CTempFolder& folder, const Bytes& bytes, const std::string& strWhat)
{
    const std::string strPath = folder.File("picture");
    std::filesystem::remove(strPath); // a new file: rewriting one in place can wait for the disk
    WriteBytes(strPath, bytes);
    for (const int nBitCount : {0, 8, 24}) {
        CDibImage fromFile, fromMemory;
        if (nBitCount != 0) {
            ASSERT_TRUE(fromFile.Create(7, 2, nBitCount));
            fromFile.Fill(nullptr, RGB(200, 100, 50));
            ASSERT_TRUE(fromMemory.CreateLike(&fromFile));
            fromMemory.BlitFrom(fromFile, nullptr, 0, 0);
        }
        const int nExpected = LoadPictureFromMemory(fromMemory, bytes.data(), bytes.size());
        ExpectSameLoad(LoadPicture(fromFile, strPath.c_str()), fromFile, nExpected, fromMemory,
                       strWhat + " into " + std::to_string(nBitCount) + " bits");
    }
}

} // namespace

TEST(LoadPicture, BmpVariantsBecomeUpright24BitPictures)
{
    // Each is 2 x 2: top line red, green; bottom line blue, red.
    const Bytes files[] = {
        BmpFile(2, 2, 8, {{2, 0}, {0, 1}}, {RED, GREEN, BLUE}),
        BmpFile(2, -2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 0, 0, 255}}),
        BmpFile(2, 2, 16, {{0x1F, 0x00, 0x00, 0xF8}, {0x00, 0xF8, 0xE0, 0x07}}, {}, {0xF800, 0x07E0, 0x001F}),
    };
    for (const Bytes& file : files) {
        CDibImage image;
        ASSERT_EQ(1, LoadBytes(image, file));
        EXPECT_EQ(24, image.BitCount());
        ASSERT_EQ(2, image.Width());
        ASSERT_EQ(2, image.Height());
        EXPECT_EQ((Bytes{0, 0, 255}), Bgr(image, 0, 0));
        EXPECT_EQ((Bytes{0, 255, 0}), Bgr(image, 1, 0));
        EXPECT_EQ((Bytes{255, 0, 0}), Bgr(image, 0, 1));
        EXPECT_EQ((Bytes{0, 0, 255}), Bgr(image, 1, 1));
    }
}

TEST(LoadPicture, JpegKindsBecome24BitPicturesOfTheirSize)
{
    CDibImage source;
    DrawNaturalPicture(source, 97, 61, 4);
    Bytes grey(37 * 23);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<BYTE>(i % 37 * 6);
    const int nStride = source.Stride();
    for (const Bytes& file :
         {EncodeJpeg(source), EncodeWithTurbo(source.Bits(), 97, nStride, 61, TJPF_BGR, TJSAMP_444, 95, 0),
          EncodeWithTurbo(source.Bits(), 97, nStride, 61, TJPF_BGR, TJSAMP_420, 95, TJFLAG_PROGRESSIVE)}) {
        CDibImage image;
        ASSERT_EQ(1, LoadBytes(image, file));
        EXPECT_EQ(24, image.BitCount());
        ASSERT_EQ(97, image.Width());
        ASSERT_EQ(61, image.Height());
        EXPECT_GT(Psnr(source, image), 28.0);
    }
    CDibImage image;
    ASSERT_EQ(1, LoadBytes(image, EncodeWithTurbo(grey.data(), 37, 37, 23, TJPF_GRAY, TJSAMP_GRAY, 95, 0)));
    EXPECT_EQ(24, image.BitCount());
    EXPECT_NEAR(0, PixelAt(image, 0, 0)[1], 3); // the file's first line is the top line
    EXPECT_NEAR(216, PixelAt(image, 36, 22)[2], 4);
    EXPECT_EQ(PixelAt(image, 36, 22)[0], PixelAt(image, 36, 22)[2]);
}

TEST(LoadPicture, DrawsIntoAnExistingPictureAtItsTopLeft)
{
    CDibImage image;
    ASSERT_TRUE(image.Create(3, 3, 8));
    image.Fill(nullptr, RGB(255, 255, 255));
    ASSERT_EQ(1, LoadBytes(image, BmpFile(2, 2, 24, {{255, 255, 255, 255, 255, 255}, {}})));
    EXPECT_EQ(8, image.BitCount()); // keeps its size and format
    ASSERT_EQ(3, image.Width());
    EXPECT_EQ(0, *PixelAt(image, 1, 0));   // black top line of the file
    EXPECT_EQ(255, *PixelAt(image, 1, 1)); // white bottom line
    EXPECT_EQ(255, *PixelAt(image, 2, 0)); // untouched beyond the file's picture
}

TEST(LoadPicture, FailuresLeaveAnEmptyPicture)
{
    CTempFolder folder;
    CDibImage source;
    DrawNaturalPicture(source, 20, 10, 8);
    ASSERT_TRUE(SaveJpeg(source, folder.File("named.bmp").c_str())); // a JPEG whatever its name
    CDibImage image;
    ASSERT_EQ(1, LoadPicture(image, folder.File("named.bmp").c_str()));
    EXPECT_EQ(20, image.Width());
    EXPECT_EQ(0, LoadPicture(image, folder.File("missing.jpg").c_str()));
    EXPECT_FALSE(image.IsCreated());
    EXPECT_EQ(0, LoadPicture(image, folder.File("").c_str())); // a folder
    const std::string strPipe = folder.File("pipe.jpg"); // refused at once, not waited on
    ASSERT_EQ(0, ::mkfifo(strPipe.c_str(), 0600));
    EXPECT_EQ(0, LoadPicture(image, strPipe.c_str()));

    const Bytes bmp = BmpFile(4, 4, 24, {{}, {}, {}, {}});
    EXPECT_EQ(1, LoadPictureFromMemory(image, bmp.data(), bmp.size(), 16));
    EXPECT_EQ(0, LoadPictureFromMemory(image, bmp.data(), bmp.size(), 15)); // above the pixel limit
    EXPECT_FALSE(image.IsCreated());
    const Bytes jpeg = EncodeJpeg(SolidPicture(8, 8, 1, 2, 3));
    EXPECT_EQ(0, LoadPictureFromMemory(image, jpeg.data(), jpeg.size(), 63));
}

TEST(LoadPicture, BrokenFilesNeverCrashNorLoadAsSomething)
{
    // Corpus naming: good-* load, bad-* fail, damaged-* may give what can be recovered.
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VEXILO_FILES_CORPUS)) {
        const std::string strName = entry.path().filename().string();
        CDibImage image;
        const int nResult = LoadPicture(image, entry.path().c_str());
        ++nFiles;
        if (strName.rfind("good-", 0) == 0 || strName.rfind("bad-", 0) == 0) {
            EXPECT_EQ(strName[0] == 'g' ? 1 : 0, nResult) << strName;
        }
        EXPECT_EQ(nResult == 1, image.IsCreated() && image.BitCount() == 24) << strName;
    }
    EXPECT_GE(nFiles, 20);
}

TEST(LoadPicture, FilesLoadByteForByteAsTheirContentsFromMemory)
{
    CTempFolder folder;
    // 24-bit files, read straight into the picture: random padding bytes, which a
    // picture keeps zero, odd and even heights, bottom-up and top-down.
    for (const int nWidth : {1, 2, 3, 4, 5})
        for (const int nHeight : {1, 2, 3, -1, -2, -3}) {
            const Bytes file = BmpFile(nWidth, nHeight, 24, NoiseRows(nWidth, std::abs(nHeight)));
            CDibImage image;
            EXPECT_EQ(1, LoadBytes(image, file));
            ExpectFileLoadsAsMemory(folder, file, std::to_string(nWidth) + " x " + std::to_string(nHeight));
        }

    const Bytes plain = BmpFile(5, 3, 24, NoiseRows(5, 3));
    std::vector<std::pair<std::string, Bytes>> variants;
    variants.emplace_back("a colour table", BmpFile(5, 3, 24, NoiseRows(5, 3), {RED, GREEN, BLUE}));
    variants.emplace_back("a gap before the rows", plain);
    variants.back().second.insert(variants.back().second.begin() + 54, 10, 0xEE);
    SetDword(variants.back().second, 10, 64);
    variants.emplace_back("a pixel offset inside the header", plain);
    SetDword(variants.back().second, 10, 20);
    variants.emplace_back("a pixel offset past the end", plain);
    SetDword(variants.back().second, 10, 100000);
    variants.emplace_back("a 124-byte header", plain);
    variants.back().second.insert(variants.back().second.begin() + 54, 84, 0);
    SetDword(variants.back().second, 14, 124);
    SetDword(variants.back().second, 10, 138);
    variants.emplace_back("bytes after the rows", plain);
    variants.back().second.insert(variants.back().second.end(), {1, 2, 3, 4, 5});
    variants.emplace_back("8 bits", BmpFile(3, 2, 8, {{0, 1, 2}, {2, 7, 0}}, {RED, GREEN, BLUE}));
    variants.emplace_back("bit fields", BmpFile(2, 2, 16, {{0x1F, 0x00, 0x00, 0xF8}, {0x00, 0xF8, 0xE0, 0x07}}, {},
                                                {0xF800, 0x07E0, 0x001F}));
    variants.emplace_back("run-length compression", plain);
    variants.back().second[30] = 1; // BI_RLE8
    for (const auto& [strWhat, file] : variants)
        ExpectFileLoadsAsMemory(folder, file, strWhat);

    // Short files: every length of a bottom-up and of a top-down one.
    for (const Bytes& whole : {plain, BmpFile(3, -3, 24, NoiseRows(3, 3), {BLUE})})
        for (std::size_t nSize = 0; nSize <= whole.size(); ++nSize)
            ExpectFileLoadsAsMemory(folder, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(nSize)),
                                    std::to_string(nSize) + " of " + std::to_string(whole.size()) + " bytes");

    for (const auto& entry : std::filesystem::directory_iterator(VEXILO_FILES_CORPUS))
        ExpectFileLoadsAsMemory(folder, ReadBytes(entry.path().string()), entry.path().filename().string());
}

TEST(ReadWholeFile, HoldsTheWholeFileUntilReset)
{
    CTempFolder folder;
    const Bytes content = {1, 2, 3, 0, 255};
    WriteBytes(folder.File("data"), content);
    CReadWholeFile file(folder.File("data").c_str());
    ASSERT_TRUE(file.IsRead());
    EXPECT_EQ(content, Bytes(file.Start(), file.End()));
    file.Reset();
    EXPECT_FALSE(file.IsRead());
    EXPECT_EQ(0u, file.Size());
    WriteBytes(folder.File("empty"), {});
    EXPECT_TRUE(file.Read(folder.File("empty").c_str()));
    EXPECT_EQ(0u, file.Size());
    EXPECT_FALSE(file.Read(folder.File("missing").c_str()));
    EXPECT_FALSE(file.Read(folder.File("data").c_str(), 4)); // larger than allowed
    EXPECT_FALSE(file.IsRead());
}
