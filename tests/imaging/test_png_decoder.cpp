// PNG decoding into 24-bit pictures: every colour type, gamma, and broken files.
#include "app/imaging/png_decoder.h"

#include "app/imaging/dib_image.h"
#include "app/res/resources.h"
#include "tests/imaging/picture_access.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

struct CPngPicture {
    int nWidth;
    int nHeight;
    int nColorType;
    int nBitDepth;
    Bytes rows; // PNG row bytes, top line first
    std::vector<png_color> palette = {};
    Bytes transparency = {};
    double dGamma = 0.0; // gAMA chunk when non-zero
    bool bInterlaced = false;
};

// Owns a libpng write structure.
struct CPngWriteStruct {
    png_structp pPng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pInfo = png_create_info_struct(pPng);
    ~CPngWriteStruct() { png_destroy_write_struct(&pPng, &pInfo); }
};

void AppendBytes(png_structp png, png_bytep pData, png_size_t nLength)
{
    auto* pOut = static_cast<Bytes*>(png_get_io_ptr(png));
    pOut->insert(pOut->end(), pData, pData + nLength);
}

// The PNG file image of a picture, written with libpng's writer.
Bytes Encode(CPngPicture picture)
{
    CPngWriteStruct writer;
    Bytes out;
    png_set_write_fn(writer.pPng, &out, AppendBytes, nullptr);
    png_set_IHDR(writer.pPng, writer.pInfo, picture.nWidth, picture.nHeight, picture.nBitDepth, picture.nColorType,
                 picture.bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(writer.pPng, writer.pInfo, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.transparency.empty())
        png_set_tRNS(writer.pPng, writer.pInfo, picture.transparency.data(),
                     static_cast<int>(picture.transparency.size()), nullptr);
    if (picture.dGamma != 0.0)
        png_set_gAMA(writer.pPng, writer.pInfo, picture.dGamma);
    png_write_info(writer.pPng, writer.pInfo);
    std::vector<png_bytep> rows;
    for (int i = 0; i < picture.nHeight; ++i)
        rows.push_back(picture.rows.data() + i * picture.rows.size() / picture.nHeight);
    png_write_image(writer.pPng, rows.data());
    png_write_end(writer.pPng, nullptr);
    return out;
}

Bytes Pixel(const CDibImage& image, int x, int y)
{
    return Bytes(PixelAt(image, x, y), PixelAt(image, x, y) + 3);
}

CDibImage Decode(const Bytes& file)
{
    CDibImage image;
    EXPECT_TRUE(DecodePngToDib(file.data(), file.size(), image));
    EXPECT_EQ(24, image.BitCount());
    return image;
}

} // namespace

TEST(PngDecoder, RgbRowsBecomeBottomUpBlueGreenRed)
{
    const CDibImage image =
        Decode(Encode({2, 2, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}}));
    ASSERT_EQ(2, image.Width());
    ASSERT_EQ(2, image.Height());
    EXPECT_EQ((Bytes{90, 80, 70, 120, 110, 100}), Bytes(image.Bits(), image.Bits() + 6)); // memory row 0
    EXPECT_EQ((Bytes{30, 20, 10}), Pixel(image, 0, 0));
}

TEST(PngDecoder, EveryColourTypeEndsAsRgb)
{
    EXPECT_EQ((Bytes{30, 20, 10}), Pixel(Decode(Encode({1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {10, 20, 30, 128}})), 0, 0));

    // 2-bit palette with transparency: indices 0 1 2 0.
    const CDibImage palette = Decode(Encode(
        {4, 1, PNG_COLOR_TYPE_PALETTE, 2, {0x18}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {0}}));
    EXPECT_EQ((Bytes{0, 0, 255}), Pixel(palette, 0, 0));
    EXPECT_EQ((Bytes{0, 255, 0}), Pixel(palette, 1, 0));
    EXPECT_EQ((Bytes{255, 0, 0}), Pixel(palette, 2, 0));

    const CDibImage bits = Decode(Encode({2, 1, PNG_COLOR_TYPE_GRAY, 1, {0x80}}));
    EXPECT_EQ((Bytes{255, 255, 255}), Pixel(bits, 0, 0));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(bits, 1, 0));
    EXPECT_EQ((Bytes{77, 77, 77}), Pixel(Decode(Encode({1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {77, 200}})), 0, 0));

    // 16-bit samples keep their high byte.
    EXPECT_EQ((Bytes{0x56, 0x34, 0x12}),
              Pixel(Decode(Encode({1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80}})), 0, 0));
}

TEST(PngDecoder, GammaOnlyWhenTheFileHasIt)
{
    EXPECT_EQ((Bytes{128, 128, 128}), Pixel(Decode(Encode({1, 1, PNG_COLOR_TYPE_GRAY, 8, {128}})), 0, 0));
    CPngPicture linear{1, 1, PNG_COLOR_TYPE_GRAY, 8, {128}};
    linear.dGamma = 1.0; // 255 * (128 / 255) ^ (1 / 2.2) on a 2.2 screen
    const BYTE nShown = Pixel(Decode(Encode(linear)), 0, 0)[0];
    EXPECT_GE(nShown, 184);
    EXPECT_LE(nShown, 188);
}

TEST(PngDecoder, InterlacedMatchesPlain)
{
    CPngPicture picture{9, 7, PNG_COLOR_TYPE_RGB, 8, Bytes(9 * 7 * 3)};
    for (std::size_t i = 0; i < picture.rows.size(); ++i)
        picture.rows[i] = static_cast<BYTE>(i * 7);
    const CDibImage plain = Decode(Encode(picture));
    picture.bInterlaced = true;
    const CDibImage interlaced = Decode(Encode(picture));
    EXPECT_EQ(0, std::memcmp(plain.Bits(), interlaced.Bits(), static_cast<std::size_t>(plain.Stride()) * 7));
}

TEST(PngDecoder, BrokenFilesFailAndChangeNothing)
{
    const Bytes good = Encode({3, 2, PNG_COLOR_TYPE_RGB, 8, Bytes(18, 50)});
    CDibImage image;
    ASSERT_TRUE(image.Create(1, 1, 8));
    auto expectRefused = [&](const Bytes& file, const char* szWhat) {
        std::string text;
        EXPECT_FALSE(DecodePngToDib(file.data(), file.size(), image, &text)) << szWhat;
        EXPECT_FALSE(text.empty()) << szWhat;
        EXPECT_EQ(8, image.BitCount()) << szWhat;
    };

    for (std::size_t n = 0; n < good.size(); ++n)
        expectRefused(Bytes(good.begin(), good.begin() + n), "truncated");
    expectRefused(Bytes(100, 0x55), "garbage");

    Bytes badCrc = good;
    badCrc[good.size() - 20] ^= 0x01; // inside the IDAT data
    expectRefused(badCrc, "bad CRC");

    // A width of 100000 with a correct IHDR checksum.
    Bytes huge = good;
    const BYTE width[4] = {0x00, 0x01, 0x86, 0xA0};
    std::memcpy(&huge[16], width, 4);
    const uLong crc = crc32(0, &huge[12], 17);
    const BYTE crcBytes[4] = {BYTE(crc >> 24), BYTE(crc >> 16), BYTE(crc >> 8), BYTE(crc)};
    std::memcpy(&huge[29], crcBytes, 4);
    expectRefused(huge, "huge width");
}

TEST(PngDecoder, UserInterfacePicturesDecode)
{
    CDibImage image;
    EXPECT_FALSE(image.LoadPngResource(IDB_PANEL, "Bmp"));
    EXPECT_FALSE(image.LoadPngResource(4242, RT_PNG));
    ASSERT_TRUE(image.LoadPngResource(IDB_PANEL, RT_PNG));
    EXPECT_EQ(400, image.Width());
    EXPECT_EQ(318, image.Height());
    ASSERT_TRUE(image.LoadPngResource(IDB_BACKGROUND, RT_PNG));
    EXPECT_EQ(200, image.Width());
    ASSERT_TRUE(image.LoadPngResource(IDB_TOGGLES, RT_PNG));
    EXPECT_EQ(52, image.Width());
    EXPECT_EQ(13, image.Height());
    EXPECT_EQ(24, image.BitCount());
}
