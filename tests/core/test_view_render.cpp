#include "app/shell/core/view_render.h"

#include <gtest/gtest.h>

namespace {

// Picture pixel (x, y), y counted down from the top as shown.
const BYTE* PixelAt(const CDibImage& image, int x, int y)
{
    return image.Bits() + (image.Height() - 1 - y) * image.Stride() + x * image.BytesPerPixel();
}

// A 24-bit picture whose pixel (x, y) is (x, y, x ^ y) in blue, green, red.
CDibImage Gradient(int w, int h)
{
    CDibImage image;
    image.Create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            BYTE* p = const_cast<BYTE*>(PixelAt(image, x, y));
            p[0] = static_cast<BYTE>(x);
            p[1] = static_cast<BYTE>(y);
            p[2] = static_cast<BYTE>(x ^ y);
        }
    }
    return image;
}

} // namespace

TEST(ViewRender, X1ShowsThePicturesOwnPixelsAtTheScrollPosition)
{
    const CDibImage shown = Gradient(200, 150);
    CDibImage out;
    ASSERT_TRUE(RenderView(shown, RECT{7, 7, 107, 87}, 1, CScrollOffsets{-30, -20}, out));
    ASSERT_EQ(out.Width(), 100);
    ASSERT_EQ(out.Height(), 80);
    for (int y = 0; y < 80; y += 13) {
        for (int x = 0; x < 100; x += 11) {
            EXPECT_EQ(PixelAt(out, x, y)[0], x + 30);
            EXPECT_EQ(PixelAt(out, x, y)[1], y + 20);
        }
    }
}

TEST(ViewRender, MagnifiedViewRepeatsEachPixel)
{
    const CDibImage shown = Gradient(64, 48);
    CDibImage out;
    ASSERT_TRUE(RenderView(shown, RECT{0, 0, 64, 48}, 3, CScrollOffsets{-10, -5}, out)); // x4
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(PixelAt(out, x, y)[0], 10 + x / 4) << x << "," << y;
            ASSERT_EQ(PixelAt(out, x, y)[1], 5 + y / 4) << x << "," << y;
        }
    }
}

TEST(ViewRender, FitScalesTheWholePictureAndKeepsGreyTables)
{
    CDibImage shown;
    shown.Create(40, 30, 8);
    RGBQUAD table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = RGBQUAD{BYTE(255 - i), BYTE(i), BYTE(i / 2), 0};
    shown.SetPalette(CDibImage::PALETTE_ENTRIES, table, 0, 256);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            const_cast<BYTE*>(PixelAt(shown, x, y))[0] = static_cast<BYTE>(x < 20 ? 10 : 200);
    CDibImage out;
    ASSERT_TRUE(RenderView(shown, RECT{0, 0, 80, 60}, ZOOM_FIT, CScrollOffsets{-5, -5}, out));
    EXPECT_EQ(out.BitCount(), 8);
    EXPECT_EQ(out.ColorTable()[3].rgbBlue, 252);
    EXPECT_EQ(PixelAt(out, 0, 0)[0], 10) << "scroll offsets do not apply when fitted";
    EXPECT_EQ(PixelAt(out, 79, 59)[0], 200);
    EXPECT_EQ(PixelAt(out, 39, 30)[0], 10);
    EXPECT_EQ(PixelAt(out, 40, 30)[0], 200);
}

TEST(ViewRender, UncoveredPixelsAreBlackAndEmptyPicturesShowNothing)
{
    const CDibImage shown = Gradient(50, 40);
    CDibImage out;
    ASSERT_TRUE(RenderView(shown, RECT{0, 0, 60, 40}, 1, CScrollOffsets{0, 0}, out));
    EXPECT_EQ(PixelAt(out, 49, 10)[0], 49);
    EXPECT_EQ(PixelAt(out, 55, 10)[0], 0);
    EXPECT_EQ(PixelAt(out, 55, 10)[2], 0);

    CDibImage empty;
    EXPECT_FALSE(RenderView(empty, RECT{0, 0, 60, 40}, 1, CScrollOffsets{}, out));
    EXPECT_FALSE(RenderView(shown, RECT{0, 0, 0, 40}, 1, CScrollOffsets{}, out));
}
