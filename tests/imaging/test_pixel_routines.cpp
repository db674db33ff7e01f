// The pixel routines run through CDibImage::Apply / ApplyScaled, checked against their
// literal definitions (tests/imaging/pixel_reference.h) on random pictures. Widths are
// chosen to cross the kernels' internal chunk boundaries.
#include "app/imaging/adjust_hls.h"
#include "app/imaging/binarize.h"
#include "app/imaging/demosaic.h"
#include "app/imaging/measure_routines.h"
#include "app/imaging/scale_nearest.h"
#include "app/imaging/sharpen.h"
#include "app/imaging/tone_curves.h"
#include "tests/imaging/pixel_reference.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

Bytes AllBytes(const CDibImage& image)
{
    return Bytes(image.Bits(), image.Bits() + image.Stride() * image.Height());
}

CDibImage RandomPicture(int nWidth, int nHeight, int nBits, unsigned nSeed)
{
    CDibImage image;
    image.Create(nWidth, nHeight, nBits);
    FillRandom(image, nSeed);
    return image;
}

CDibImage CopyOf(const CDibImage& image)
{
    CDibImage copy;
    copy.CreateLike(&image);
    copy.BlitFrom(image, nullptr, 0, 0);
    return copy;
}

} // namespace

TEST(Demosaic, UniformFrameGivesGreyInteriorAndBlackBorder)
{
    CDibImage raw, color;
    ASSERT_TRUE(raw.Create(12, 9, 8));
    ASSERT_TRUE(color.Create(12, 9, 24));
    std::fill(raw.Bits(), raw.Bits() + raw.Stride() * raw.Height(), BYTE{77});
    CDemosaicParam param{0, 100, 100, 100};
    EXPECT_EQ(1, color.Apply(Demosaic, raw, nullptr, 0, 0, &param));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool bInterior = x >= 2 && x <= 9 && y >= 2 && y <= 6;
            const BYTE nWanted = bInterior ? 77 : 0;
            const BYTE* p = MemPixel(color, x, y);
            ASSERT_EQ(Bytes(3, nWanted), Bytes(p, p + 3)) << x << "," << y;
        }
}

TEST(Demosaic, MatchesTheDefinitionInEveryPhaseAndWithAnyGains)
{
    struct CCase {
        int nMode, nGainR, nGainB;
    };
    // Mode 7 acts as 0; negative and huge gains leave the 16-bit fast path; 25599 (32766
    // after scaling) is the largest it takes.
    const CCase cases[] = {{0, 100, 100}, {1, 100, 100}, {2, 37, 200}, {3, 160, 55},
                          {7, 100, 100}, {1, -50, 3000}, {2, 100000, 0}, {3, 25599, 1}};
    // Rows of whole 32-pixel steps plus a tail, and one whose last step starts at an odd pixel.
    for (int nWidth : {1100, 41}) {
        const CDibImage raw = RandomPicture(nWidth, 9, 8, 1);
        for (const CCase& c : cases) {
            CDibImage color, expected;
            color.Create(nWidth, 9, 24);
            expected.Create(nWidth, 9, 24);
            CDemosaicParam param{c.nMode, c.nGainR, 100, c.nGainB};
            color.Apply(Demosaic, raw, nullptr, 0, 0, &param);
            ReferenceDemosaic(raw, expected, c.nMode, c.nGainR, c.nGainB);
            EXPECT_EQ(AllBytes(expected), AllBytes(color)) << nWidth << " mode " << c.nMode << " gains " << c.nGainR;
        }
    }
}

TEST(Demosaic, ClippedRectangleStartsItsPhaseAtTheRectangle)
{
    const CDibImage raw = RandomPicture(50, 40, 8, 2);
    const RECT rcPart{3, 5, 33, 26};
    for (int nMode = 0; nMode < 4; ++nMode) {
        CDibImage color;
        color.Create(60, 50, 24);
        CDemosaicParam param{nMode, 120, 100, 90};
        color.Apply(Demosaic, raw, &rcPart, 7, 4, &param);

        CDibImage part, expected, got;
        part.Create(30, 21, 8);
        part.BlitFrom(raw, &rcPart, 0, 0);
        expected.Create(30, 21, 24);
        ReferenceDemosaic(part, expected, nMode, 120, 90);
        got.Create(30, 21, 24);
        const RECT rcPlaced{7, 4, 37, 25};
        got.BlitFrom(color, &rcPlaced, 0, 0);
        EXPECT_EQ(AllBytes(expected), AllBytes(got)) << "mode " << nMode;
    }
}

TEST(AdjustHls, MatchesTheDefinitionForEveryKindOfDelta)
{
    CDibImage picture = RandomPicture(301, 3, 24, 4);
    // Greys, primaries and extremes besides the random pixels.
    const BYTE special[][3] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},
                               {255, 0, 0}, {255, 255, 0}, {1, 0, 0}, {127, 128, 129}, {40, 200, 200}};
    for (int i = 0; i < 10; ++i)
        std::copy(special[i], special[i] + 3, MemPixel(picture, i, 0));
    for (int nHue : {-1000, -360, -241, -120, -1, 0, 1, 119, 120, 359, 725})
        for (int nLight : {-300, -128, -5, 0, 7, 128, 300})
            for (int nSat : {-300, -255, -1, 0, 1, 100, 300}) {
                CDibImage adjusted = CopyOf(picture);
                CHlsParam param{nHue, nLight, nSat};
                adjusted.Apply(AdjustHls, adjusted, nullptr, 0, 0, &param);
                CDibImage expected = CopyOf(picture);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 301; ++x)
                        ReferenceHls(MemPixel(expected, x, y), nHue, nLight, nSat);
                ASSERT_EQ(AllBytes(expected), AllBytes(adjusted)) << nHue << " " << nLight << " " << nSat;
            }
}

// Every red-green pair with blue at its extremes, around the middle and at random levels,
// with deltas at and beyond the limits where every channel saturates: the vector
// kernel works in 16-bit lanes with the deltas limited to those ranges.
TEST(AdjustHls, MatchesTheDefinitionOnEveryRedGreenPair)
{
    const int nBlues[] = {0, 1, 2, 61, 127, 128, 129, 200, 254, 255};
    CDibImage picture;
    picture.Create(256 * 16, 256, 24); // width a multiple of 16: whole vectors only
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            BYTE* p = MemPixel(picture, x, y);
            p[0] = static_cast<BYTE>(x / 256 < 10 ? nBlues[x / 256] : (x * 37 + y * 11) % 256);
            p[1] = static_cast<BYTE>(x % 256);
            p[2] = static_cast<BYTE>(y);
        }
    const CHlsParam deltas[] = {{25, -40, 60}, {-1, -300, -256}, {359, 600, 255}, {0, 599, 1},
                                {7, -299, -255}, {-130, 511, 254}, {0, -1000, 1000}};
    for (const CHlsParam& param : deltas) {
        CDibImage adjusted = CopyOf(picture);
        AdjustHlsRows(adjusted.Bits(), adjusted.Stride(), 3, adjusted.Bits(), adjusted.Stride(), 3, adjusted.Width(),
                      256, param);
        CDibImage expected = CopyOf(picture);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < picture.Width(); ++x)
                ReferenceHls(MemPixel(expected, x, y), param.nHue, param.nLightness, param.nSaturation);
        ASSERT_EQ(AllBytes(expected), AllBytes(adjusted)) << param.nHue << " " << param.nLightness << " "
                                                          << param.nSaturation;
    }
}

TEST(AdjustHls, GreyWithLightnessPlus300BecomesWhiteAndCopiesWork)
{
    CDibImage grey, out;
    grey.Create(5, 2, 24);
    grey.Fill(nullptr, RGB(90, 90, 90));
    out.Create(5, 2, 24);
    CHlsParam param{0, 300, 0};
    out.Apply(AdjustHls, grey, nullptr, 0, 0, &param); // into another picture
    EXPECT_EQ(Bytes(3, 255), Bytes(MemPixel(out, 4, 1), MemPixel(out, 4, 1) + 3));
    EXPECT_EQ(90, *MemPixel(grey, 4, 1));

    // Four bytes per pixel (row layouts a picture can not have): the fourth stays.
    Bytes wide = {10, 20, 30, 99, 200, 100, 50, 98};
    AdjustHlsRows(wide.data(), 8, 4, wide.data(), 8, 4, 2, 1, CHlsParam{30, -10, 20});
    Bytes expected = {10, 20, 30, 99, 200, 100, 50, 98};
    ReferenceHls(&expected[0], 30, -10, 20);
    ReferenceHls(&expected[4], 30, -10, 20);
    EXPECT_EQ(expected, wide);
}

TEST(ToneCurves, TablesMatchTheirDefinitions)
{
    for (int nGamma : {-5, 0, 1, 2, 37, 50, 99, 100, 101, 150, 200, 1100, 50000}) {
        BYTE table[256], expected[256];
        BuildGammaTable(nGamma, table);
        ReferenceGammaTable(nGamma, expected);
        EXPECT_EQ(Bytes(expected, expected + 256), Bytes(table, table + 256)) << "gamma " << nGamma;
    }
    for (int nContrast : {-300, -127, -1, 1, 64, 100, 127, 128, 1000}) {
        BYTE table[256], expected[256];
        BuildContrastTable(nContrast, table);
        ReferenceContrastTable(nContrast, expected);
        EXPECT_EQ(Bytes(expected, expected + 256), Bytes(table, table + 256)) << "contrast " << nContrast;
    }
}

TEST(ToneCurves, GammaAndContrastMapEveryChannel)
{
    CDibImage grey;
    grey.Create(256, 1, 8);
    for (int i = 0; i < 256; ++i)
        *MemPixel(grey, i, 0) = static_cast<BYTE>(i);
    CDibImage gamma = CopyOf(grey);
    int nGamma = 50;
    gamma.Apply(Gamma8, gamma, nullptr, 0, 0, &nGamma);
    EXPECT_EQ(1, *MemPixel(gamma, 0, 0));
    EXPECT_EQ(254, *MemPixel(gamma, 255, 0));

    CDibImage contrast = CopyOf(grey);
    int nContrast = 64;
    contrast.Apply(Contrast8, contrast, nullptr, 0, 0, &nContrast);
    EXPECT_EQ(0, *MemPixel(contrast, 63, 0));
    EXPECT_EQ(128, *MemPixel(contrast, 128, 0));
    EXPECT_EQ(254, *MemPixel(contrast, 191, 0));
    EXPECT_EQ(255, *MemPixel(contrast, 192, 0));

    CDibImage color = RandomPicture(37, 5, 24, 5);
    CDibImage mapped = CopyOf(color);
    nGamma = 170;
    mapped.Apply(Gamma24, mapped, nullptr, 0, 0, &nGamma);
    BYTE table[256];
    ReferenceGammaTable(170, table);
    for (int y = 0; y < 5; ++y)
        for (int i = 0; i < 37 * 3; ++i)
            ASSERT_EQ(table[MemPixel(color, 0, y)[i]], MemPixel(mapped, 0, y)[i]);
}

// Any table, every byte value, in place and into other rows, over run lengths that end
// inside and after whole 32- and 64-byte steps.
TEST(ToneCurves, ApplyToneTableMapsEveryValueThroughAnyTable)
{
    BYTE aTable[256];
    for (int i = 0; i < 256; ++i)
        aTable[i] = static_cast<BYTE>((i * 167 + 13) % 256); // a permutation: every entry tells
    for (int nWidth : {1, 10, 11, 21, 22, 100}) {
        const int nRowBytes = nWidth * 3;
        Bytes source(static_cast<std::size_t>(nRowBytes) * 4);
        for (std::size_t i = 0; i < source.size(); ++i)
            source[i] = static_cast<BYTE>(i * 101 + nWidth);
        Bytes expected = source;
        for (BYTE& b : expected)
            b = aTable[b];
        Bytes inPlace = source;
        ApplyToneTable(aTable, inPlace.data(), nRowBytes, 3, inPlace.data(), nRowBytes, 3, nWidth, 4, 3);
        EXPECT_EQ(expected, inPlace) << nWidth;
        Bytes apart(source.size());
        ApplyToneTable(aTable, apart.data(), nRowBytes, 3, source.data(), nRowBytes, 3, nWidth, 4, 3);
        EXPECT_EQ(expected, apart) << nWidth;
    }
}

TEST(Binarize, EightBitThresholdIsExclusive)
{
    CDibImage picture;
    picture.Create(4, 1, 8);
    const BYTE values[4] = {0, 128, 129, 255};
    std::copy(values, values + 4, picture.Bits());
    int nThreshold = 128;
    picture.Apply(Binarize8, picture, nullptr, 0, 0, &nThreshold);
    EXPECT_EQ(Bytes({0, 0, 255, 255}), Bytes(picture.Bits(), picture.Bits() + 4));
}

TEST(Binarize, TwentyFourBitUsesTheWeightedSum)
{
    const CDibImage color = RandomPicture(333, 4, 24, 6);
    for (int nThreshold : {-5, 0, 100, 128, 254, 255, 100000}) {
        CDibImage out = CopyOf(color);
        out.Apply(Binarize24, out, nullptr, 0, 0, &nThreshold);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 333; ++x) {
                const BYTE* p = MemPixel(color, x, y);
                const BYTE nWanted = p[2] * 30 + p[1] * 59 + p[0] * 11 > nThreshold * 100 ? 255 : 0;
                const BYTE* q = MemPixel(out, x, y);
                ASSERT_EQ(Bytes(3, nWanted), Bytes(q, q + 3)) << x << "," << y << " t " << nThreshold;
            }
    }
}

TEST(Sharpen, UniformPictureStaysUnchanged)
{
    CDibImage picture;
    picture.Create(20, 10, 8);
    std::fill(picture.Bits(), picture.Bits() + picture.Stride() * 10, BYTE{93});
    const CDibImage copy = CopyOf(picture);
    int nStrength = 10;
    picture.Apply(Sharpen8, copy, nullptr, 0, 0, &nStrength);
    EXPECT_EQ(AllBytes(copy), AllBytes(picture));
}

TEST(Sharpen, MatchesTheDefinitionAndKeepsTheBorder)
{
    struct CCase {
        int nBits, nWidth;
    };
    // The fast kernels work on chunks of 1024 bytes in 16-byte steps: rows whose last
    // chunk is short (24-bit 348, 8-bit 1036), ends in a partial step (400) or is all
    // shorter than one step (8). Widths without row padding, which AllBytes would compare.
    for (CCase c : {CCase{8, 400}, CCase{24, 400}, CCase{24, 348}, CCase{8, 1036}, CCase{24, 8}, CCase{8, 8}}) {
        const CDibImage original = RandomPicture(c.nWidth, 7, c.nBits, 7);
        for (int nStrength : {1, 10, 30, -7, 128, -128, 129, 200, 100000}) {
            // The destination's own border values must survive, so they differ from the copy.
            CDibImage picture = RandomPicture(c.nWidth, 7, c.nBits, 8);
            CDibImage expected = CopyOf(picture);
            ReferenceSharpen(original, expected, nStrength);
            picture.Apply(c.nBits == 8 ? Sharpen8 : Sharpen24, original, nullptr, 0, 0, &nStrength);
            EXPECT_EQ(AllBytes(expected), AllBytes(picture))
                << c.nBits << " bits, width " << c.nWidth << ", strength " << nStrength;
        }
    }
}

TEST(ScaleNearest, TakesTruncatedSingleProductsAndSkipsOutsidePixels)
{
    const CDibImage source = RandomPicture(640, 480, 24, 9);
    for (SIZE size : {SIZE{213, 157}, SIZE{1000, 700}}) {
        CDibImage target;
        target.Create(size.cx, size.cy, 24);
        EXPECT_EQ(1, target.ApplyScaled(ScaleNearest24, source));
        const float fRy = 480.0f / static_cast<float>(size.cy);
        const float fRx = 640.0f / static_cast<float>(size.cx);
        // Every pixel, row by row: the copies run several bytes at a time.
        for (int i = 0; i < size.cy; ++i) {
            const int nRow = std::min(static_cast<int>(fRy * static_cast<float>(i)), 479);
            Bytes expected;
            for (int j = 0; j < size.cx; ++j) {
                const int nCol = std::min(static_cast<int>(fRx * static_cast<float>(j)), 639);
                const BYTE* p = MemPixel(source, nCol, nRow);
                expected.insert(expected.end(), p, p + 3);
            }
            const BYTE* q = MemPixel(target, 0, i);
            ASSERT_EQ(expected, Bytes(q, q + 3 * size.cx)) << "row " << i;
        }
    }
    // A destination rectangle hanging over the picture: only the inside is written.
    CDibImage small;
    small.Create(4, 3, 8);
    const CDibImage grey = RandomPicture(8, 6, 8, 10);
    const RECT rcDst{-2, 1, 6, 7};
    small.ApplyScaled(ScaleNearest8, grey, nullptr, &rcDst);
    EXPECT_EQ(0, *MemPixel(small, 0, 0));
    EXPECT_EQ(*MemPixel(grey, 2, 0), *MemPixel(small, 0, 1));
    EXPECT_EQ(*MemPixel(grey, 5, 1), *MemPixel(small, 3, 2));
}

TEST(MeasureRoutines, ZoneMeanAndCountZero)
{
    CDibImage picture;
    picture.Create(10, 8, 8);
    const RECT rcZone{2, 1, 5, 3}; // picture rows 1..2 are memory rows 5..6
    picture.Fill(&rcZone, RGB(10, 10, 10));
    *MemPixel(picture, 2, 5) = 13;
    EXPECT_EQ(10, picture.Apply(ZoneMean, picture, &rcZone, 2, 1)); // 63 / 6 truncated
    const RECT rcEmpty{4, 4, 4, 9};
    EXPECT_EQ(0, ZoneMean(picture.Bits(), picture.Bits(), rcEmpty, 0, 0, 1, 1, 12, 12, nullptr, 0));
    EXPECT_EQ(80 - 6, picture.Apply(CountZero, picture));

    CDibImage mask;
    mask.Create(6, 4, 24);
    const RECT rcWhite{0, 0, 6, 1};
    mask.Fill(&rcWhite, RGB(1, 1, 1));
    const RECT rcCount{0, 0, 4, 3};
    EXPECT_EQ(8, mask.Apply(CountZero, mask, &rcCount, 1, 0)); // 3 rows of 4, minus the white top row
}

TEST(MeasureRoutines, WhiteBalanceAveragesEachPhase)
{
    const CDibImage raw = RandomPicture(31, 17, 8, 11);
    for (int nMode = 0; nMode < 4; ++nMode) {
        double sum[2][2] = {}, count[2][2] = {};
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 31; ++x) {
                const int nRowFlag = (y + (nMode == 1 || nMode == 3)) % 2;
                const int nColFlag = (x + (nMode == 2 || nMode == 3)) % 2;
                sum[nRowFlag][nColFlag] += *MemPixel(raw, x, y);
                count[nRowFlag][nColFlag] += 1;
            }
        const double g = (sum[0][0] + sum[1][1]) / (count[0][0] + count[1][1]);
        const double b = sum[0][1] / count[0][1];
        const double r = sum[1][0] / count[1][0];
        const double t = b + r + g, q = 0.3333333333333333, k = 1 / ((t / g) * q);
        CWhiteBalanceParam param;
        param.nMode = nMode;
        CDibImage target = CopyOf(raw);
        EXPECT_EQ(1, target.Apply(MeasureWhiteBalance, raw, nullptr, 0, 0, &param));
        EXPECT_EQ(static_cast<int>(k * ((t / b) * q) * 100), param.nOut0) << nMode;
        EXPECT_EQ(100, param.nOut1);
        EXPECT_EQ(static_cast<int>(k * ((t / r) * q) * 100), param.nOut2) << nMode;
    }
    CDibImage dark;
    dark.Create(4, 4, 8);
    CWhiteBalanceParam param;
    dark.Apply(MeasureWhiteBalance, dark, nullptr, 0, 0, &param);
    EXPECT_EQ(INT_MIN, param.nOut0); // 0 / 0
    EXPECT_EQ(INT_MIN, param.nOut2);
}
