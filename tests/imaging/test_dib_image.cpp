// CDibImage: creation, colour table, Apply clipping and the drawing operations.
#include "app/imaging/dib_image.h"
#include "tests/imaging/picture_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

void ExpectEmpty(const CDibImage& image)
{
    EXPECT_FALSE(image.IsCreated());
    EXPECT_EQ(0, image.Width() + image.Height() + image.Stride() + image.BitCount());
    EXPECT_EQ(108u, image.Header().biSize);
}

Bytes Row(const CDibImage& image, int y, int nPixels)
{
    return Bytes(PixelAt(image, 0, y), PixelAt(image, 0, y) + nPixels * image.BytesPerPixel());
}

int ReturnBytesPerPixel(BYTE*, const BYTE*, const RECT&, int, int, int nDstBpp, int, int, int, void*, int)
{
    return nDstBpp;
}

} // namespace

TEST(DibImageCreate, StrideIsRoundedToFourBytes)
{
    CDibImage image;
    ASSERT_TRUE(image.Create(1, 1, 24));
    EXPECT_EQ(4, image.Stride());
    ASSERT_TRUE(image.Create(641, 480, 24));
    EXPECT_EQ(1924, image.Stride());
    EXPECT_EQ(40u, image.Header().biSize);
    ASSERT_TRUE(image.Create(637, 3, 8));
    EXPECT_EQ(640, image.Stride());
    EXPECT_EQ(200, image.ColorTable()[200].rgbRed); // grey ramp
    EXPECT_EQ(Bytes(640 * 3, 0), Bytes(image.Bits(), image.Bits() + 640 * 3));
}

TEST(DibImageCreate, FailuresLeaveThePictureEmpty)
{
    CDibImage image;
    EXPECT_FALSE(image.Create(0, 5, 8));
    EXPECT_FALSE(image.Create(5, -1, 24));
    EXPECT_FALSE(image.Create(5, 5, 16));
    ExpectEmpty(image);
    ASSERT_TRUE(image.Create(4, 4, 24));
    EXPECT_FALSE(image.Create(100000, 100000, 24)); // more than 2 GiB of pixels
    ExpectEmpty(image);
    ASSERT_TRUE(image.Create(2, 2, 8));
    image.Destroy();
    ExpectEmpty(image);
}

TEST(DibImageCreate, FromHeaderConvertsFormatsAndReadsOnlyWhatIsThere)
{
    // A header that claims 108 bytes in a block of exactly 40: only 40 may be read.
    auto pHeader = std::make_unique<BITMAPINFOHEADER>();
    *pHeader = BITMAPINFOHEADER{108, 5, 3, 1, 32, BI_BITFIELDS, 0, 0, 0, 0, 0};
    CDibImage image;
    ASSERT_TRUE(image.CreateFromHeader(pHeader.get()));
    EXPECT_EQ(24, image.BitCount());
    EXPECT_EQ(16, image.Stride());
    EXPECT_EQ(BI_RGB, image.Header().biCompression);
    pHeader->biBitCount = 4;
    ASSERT_TRUE(image.CreateFromHeader(pHeader.get()));
    EXPECT_EQ(8, image.BitCount());
    pHeader->biHeight = -3; // top-down
    EXPECT_FALSE(image.CreateFromHeader(pHeader.get()));
    EXPECT_FALSE(image.CreateFromHeader(nullptr));
}

TEST(DibImageCreate, LikeCopiesHeaderAndColourTableButNotPixels)
{
    CDibImage source, copy;
    ASSERT_TRUE(source.Create(7, 2, 8));
    const RGBQUAD red{0, 0, 255, 0};
    source.SetPalette(CDibImage::PALETTE_ENTRIES, &red, 3, 1);
    *PixelAt(source, 1, 1) = 3;
    ASSERT_TRUE(copy.CreateLike(&source));
    EXPECT_EQ(source.Stride(), copy.Stride());
    EXPECT_EQ(0, std::memcmp(source.ColorTable(), copy.ColorTable(), 256 * sizeof(RGBQUAD)));
    EXPECT_EQ(0, *PixelAt(copy, 1, 1));
    ASSERT_TRUE(source.CreateLike(&source)); // itself: same picture, zero pixels
    EXPECT_EQ(0, *PixelAt(source, 1, 1));
    EXPECT_FALSE(copy.CreateLike(nullptr));

    CDibImage moved(std::move(copy));
    EXPECT_EQ(7, moved.Width());
    ExpectEmpty(copy);
}

TEST(DibImagePalette, EntriesAreCutAtTheTableEnd)
{
    CDibImage image;
    ASSERT_TRUE(image.Create(2, 2, 8));
    const std::vector<RGBQUAD> entries(10, RGBQUAD{1, 2, 3, 0});
    EXPECT_TRUE(image.SetPalette(CDibImage::PALETTE_ENTRIES, entries.data(), 250, 10));
    EXPECT_EQ(3, image.ColorTable()[255].rgbRed);
    EXPECT_EQ(249, image.ColorTable()[249].rgbRed);
    EXPECT_TRUE(image.SetPalette(1, entries.data(), 0, 10)); // unknown kind: nothing
    EXPECT_EQ(0, image.ColorTable()[0].rgbGreen);
    EXPECT_TRUE(image.SetPalette(CDibImage::PALETTE_GREY));
    EXPECT_EQ(255, image.ColorTable()[255].rgbRed);
}

TEST(DibImageApply, NothingLeftAfterClippingSkipsTheRoutine)
{
    CDibImage dst, src, empty;
    ASSERT_TRUE(dst.Create(10, 8, 24));
    ASSERT_TRUE(src.Create(6, 5, 8));
    int nCalls = 0;
    auto routine = [&](BYTE*, const BYTE*, const RECT&, int, int, int, int, int, int, void*, int) {
        return ++nCalls;
    };
    const RECT outsideSource{6, 0, 9, 5};
    EXPECT_EQ(0, dst.Apply(routine, src, &outsideSource, 0, 0));
    EXPECT_EQ(0, dst.Apply(routine, src, nullptr, 10, 0));
    EXPECT_EQ(0, dst.Apply(routine, src, nullptr, -6, 0));
    EXPECT_EQ(0, dst.Apply(routine, src, nullptr, 0, 8));
    EXPECT_EQ(0, empty.Apply(routine, src));
    EXPECT_EQ(0, nCalls);
    const PixelRoutine pRoutine = ReturnBytesPerPixel;
    EXPECT_EQ(3, dst.Apply(ReturnBytesPerPixel, src));
    EXPECT_EQ(3, dst.Apply(pRoutine, src));
}

TEST(DibImageApply, ClippedRectanglesArePairedInMemoryRows)
{
    CDibImage dst, src;
    ASSERT_TRUE(dst.Create(10, 8, 8));
    ASSERT_TRUE(src.Create(6, 5, 8));
    NumberPixels(src);
    std::vector<int> seen;
    // Copies the handed rectangle as the routines do, and records what it was given.
    auto copy = [&](BYTE* pDst, const BYTE* pSrc, const RECT& rc, int x, int y, int nDstBpp, int nSrcBpp,
                    int nDstStride, int nSrcStride, void* pParam, int nExtra) {
        seen = {rc.left, rc.top, rc.right, rc.bottom, x, y, nDstBpp, nSrcBpp, nDstStride, nSrcStride};
        for (int r = rc.top; r < rc.bottom; ++r)
            for (int c = rc.left; c < rc.right; ++c)
                pDst[(y + r - rc.top) * nDstStride + (x + c - rc.left)] = pSrc[r * nSrcStride + c];
        return *static_cast<int*>(pParam) + nExtra;
    };
    int nParam = 40;
    // Placed at (-2, 5): destination (0,5)-(4,8) takes source (2,0)-(6,3); in memory rows
    // the source is (2, 5-3)-(6, 5-0) and the destination row 8-8.
    EXPECT_EQ(42, dst.Apply(copy, src, nullptr, -2, 5, &nParam, 2));
    EXPECT_EQ((std::vector<int>{2, 2, 6, 5, 0, 0, 1, 1, 12, 8}), seen);
    for (int y = 5; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(10 * (y - 5) + x + 2, *PixelAt(dst, x, y)) << x << "," << y;
    EXPECT_EQ(0, *PixelAt(dst, 4, 5));
    EXPECT_EQ(0, *PixelAt(dst, 0, 4));

    // A source rectangle reaching past the source, in place: (4,3)-(6,5) to (0,0).
    const RECT rc{4, 3, 9, 9};
    EXPECT_EQ(1, src.Apply(copy, src, &rc, 0, 0, &nParam, -39));
    EXPECT_EQ((std::vector<int>{4, 0, 6, 2, 0, 3}), std::vector<int>(seen.begin(), seen.begin() + 6));
    EXPECT_EQ(34, *PixelAt(src, 0, 0));
    EXPECT_EQ(45, *PixelAt(src, 1, 1));
}

TEST(DibImageDraw, FillClipsAndMatchesTheColourTable)
{
    CDibImage image;
    ASSERT_TRUE(image.Create(3, 3, 24));
    const RECT rc{-1, 1, 2, 9};
    EXPECT_TRUE(image.Fill(&rc, RGB(10, 20, 30)));
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0}), Row(image, 0, 3));
    EXPECT_EQ((Bytes{30, 20, 10, 30, 20, 10, 0, 0, 0}), Row(image, 2, 3));

    ASSERT_TRUE(image.Create(3, 2, 8));
    const RGBQUAD blue{250, 0, 0, 0};
    image.SetPalette(CDibImage::PALETTE_ENTRIES, &blue, 7, 1);
    EXPECT_TRUE(image.Fill(nullptr, RGB(0, 0, 200)));
    EXPECT_EQ(7, *PixelAt(image, 2, 1));
    EXPECT_TRUE(image.Fill(nullptr, RGB(99, 101, 100)));
    EXPECT_EQ(100, *PixelAt(image, 0, 0));
    EXPECT_FALSE(CDibImage().Fill(nullptr, 0));
}

TEST(DibImageDraw, BlitClipsConvertsAndHandlesOverlap)
{
    CDibImage src, dst, grey;
    ASSERT_TRUE(src.Create(3, 3, 8));
    NumberPixels(src);
    const RGBQUAD green{0, 200, 0, 0};
    src.SetPalette(CDibImage::PALETTE_ENTRIES, &green, 11, 1);
    ASSERT_TRUE(dst.Create(3, 4, 24));
    dst.BlitFrom(src, nullptr, -1, 2); // source (1,0)-(3,2) to (0,2)-(2,4)
    EXPECT_EQ((Bytes{1, 1, 1, 2, 2, 2, 0, 0, 0}), Row(dst, 2, 3));
    EXPECT_EQ((Bytes{0, 200, 0, 12, 12, 12, 0, 0, 0}), Row(dst, 3, 3));

    ASSERT_TRUE(grey.Create(3, 4, 8));
    grey.BlitFrom(dst, nullptr, 0, 0); // nearest grey entries
    EXPECT_EQ((Bytes{67, 12, 0}), Row(grey, 3, 3));

    // Overlapping copies within one picture, down and up.
    ASSERT_TRUE(src.Create(1, 4, 8));
    NumberPixels(src);
    const RECT top{0, 0, 1, 3}, bottom{0, 1, 1, 4};
    auto column = [&] {
        return Bytes{*PixelAt(src, 0, 0), *PixelAt(src, 0, 1), *PixelAt(src, 0, 2), *PixelAt(src, 0, 3)};
    };
    src.BlitFrom(src, &top, 0, 1);
    EXPECT_EQ((Bytes{0, 0, 10, 20}), column());
    src.BlitFrom(src, &bottom, 0, 0);
    EXPECT_EQ((Bytes{0, 10, 20, 20}), column());
}

TEST(DibImageDraw, StretchFlipsScalesAndClips)
{
    CDibImage src, dst, colour;
    ASSERT_TRUE(src.Create(3, 4, 8));
    NumberPixels(src);
    ASSERT_TRUE(dst.Create(3, 4, 8));
    // Whole picture from its last row upwards: upside down, memory rows reversed.
    ASSERT_TRUE(dst.StretchFrom(src, RECT{0, 3, 3, -1}, RECT{0, 0, 3, 4}));
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(0, std::memcmp(dst.Bits() + r * dst.Stride(), src.Bits() + (3 - r) * src.Stride(), 3)) << r;

    ASSERT_TRUE(dst.Create(6, 2, 8));
    ASSERT_TRUE(dst.StretchFrom(src, RECT{0, 0, 3, 4}, RECT{0, 0, 6, 2})); // columns x2, rows /2
    EXPECT_EQ((Bytes{0, 0, 1, 1, 2, 2}), Row(dst, 0, 6));
    EXPECT_EQ((Bytes{20, 20, 21, 21, 22, 22}), Row(dst, 1, 6));
    // Mirrored destination, partly outside both pictures: untouched where nothing maps.
    ASSERT_TRUE(dst.StretchFrom(src, RECT{1, 2, 5, 3}, RECT{2, 1, -2, 2}));
    EXPECT_EQ((Bytes{20, 22, 21, 21, 22, 22}), Row(dst, 1, 6));

    ASSERT_TRUE(colour.Create(2, 2, 24));
    ASSERT_TRUE(colour.StretchFrom(src, RECT{2, 3, 3, 4}, RECT{0, 0, 2, 2}));
    EXPECT_EQ((Bytes{32, 32, 32, 32, 32, 32}), Row(colour, 1, 2));
    EXPECT_FALSE(dst.StretchFrom(dst, RECT{0, 0, 1, 1}, RECT{0, 0, 1, 1}));
    EXPECT_FALSE(dst.StretchFrom(src, RECT{0, 0, 0, 1}, RECT{0, 0, 1, 1}));
}
