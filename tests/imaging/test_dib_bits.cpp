// CDibImage::SetDibBits and LoadFromBmpMemory: packed bitmaps of every kind, bounds
// checks; CPackedDib's whole-row colours and its layout from the head alone.
#include "app/imaging/dib_image.h"
#include "app/imaging/packed_dib.h"
#include "tests/imaging/picture_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

void Append(Bytes& out, const void* p, std::size_t n)
{
    out.insert(out.end(), static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
}

// A packed bitmap: header, masks (BI_BITFIELDS when given), colour table, then the
// stored rows (first = bottom line for a positive height), each padded to 4 bytes.
Bytes Packed(int nWidth, int nHeight, int nBitCount, const std::vector<Bytes>& rows,
             const std::vector<RGBQUAD>& table = {}, DWORD dwClrUsed = 0, const std::vector<DWORD>& masks = {})
{
    const BITMAPINFOHEADER bmi{40, nWidth, nHeight, 1, static_cast<WORD>(nBitCount),
                               masks.empty() ? BI_RGB : BI_BITFIELDS, 0, 0, 0, dwClrUsed, 0};
    Bytes out;
    Append(out, &bmi, sizeof(bmi));
    for (DWORD dwMask : masks)
        Append(out, &dwMask, 4);
    Append(out, table.data(), table.size() * sizeof(RGBQUAD));
    const std::size_t nRowBytes = (static_cast<std::size_t>(nBitCount) * nWidth + 31) / 32 * 4;
    for (Bytes row : rows) {
        row.resize(nRowBytes, 0);
        Append(out, row.data(), row.size());
    }
    return out;
}

Bytes Pixel(const CDibImage& image, int x, int y)
{
    return Bytes(PixelAt(image, x, y), PixelAt(image, x, y) + image.BytesPerPixel());
}

const RGBQUAD RED{0, 0, 255, 0};
const RGBQUAD BLUE{255, 0, 0, 0};

// n random bytes, the same for the same seed.
Bytes Noise(std::size_t n, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    Bytes out(n);
    for (BYTE& b : out)
        b = static_cast<BYTE>(random());
    return out;
}

std::vector<RGBQUAD> NoiseTable(std::size_t nEntries, unsigned nSeed)
{
    const Bytes bytes = Noise(4 * nEntries, nSeed);
    std::vector<RGBQUAD> table(nEntries);
    std::memcpy(table.data(), bytes.data(), bytes.size());
    return table;
}

} // namespace

TEST(DibImageBits, EightBitWithShortTableCreatesThePicture)
{
    const Bytes packed = Packed(3, 2, 8, {{0, 1, 1}, {1, 0, 0}}, {RED, BLUE}, 2);
    CDibImage image;
    ASSERT_TRUE(image.SetDibBits(packed.data(), packed.size()));
    EXPECT_EQ(8, image.BitCount());
    EXPECT_EQ(255, image.ColorTable()[0].rgbRed);
    EXPECT_EQ(255, image.ColorTable()[1].rgbBlue);
    EXPECT_EQ(2, image.ColorTable()[2].rgbRed); // rest of the grey ramp
    EXPECT_EQ(Bytes{1}, Pixel(image, 0, 0));    // top line = last stored row
    EXPECT_EQ(Bytes{0}, Pixel(image, 0, 1));
    EXPECT_EQ(Bytes{1}, Pixel(image, 2, 1));
}

TEST(DibImageBits, TwentyFourBitsBottomUpCreateTopDownOnlyDraw)
{
    const std::vector<Bytes> rows{{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    const Bytes bottomUp = Packed(2, 2, 24, rows);
    CDibImage image;
    ASSERT_TRUE(image.SetDibBits(bottomUp.data(), bottomUp.size()));
    EXPECT_EQ(24, image.BitCount());
    EXPECT_EQ(0, std::memcmp(image.Bits(), bottomUp.data() + 40, 16)); // rows as stored

    // A top-down bitmap cannot create a picture, only draw into one at its top-left.
    const Bytes topDown = Packed(2, -2, 24, rows);
    image.Destroy();
    EXPECT_FALSE(image.SetDibBits(topDown.data(), topDown.size()));
    EXPECT_FALSE(image.IsCreated());
    ASSERT_TRUE(image.Create(3, 3, 24));
    ASSERT_TRUE(image.SetDibBits(topDown.data(), topDown.size()));
    EXPECT_EQ((Bytes{1, 2, 3}), Pixel(image, 0, 0)); // first stored row is the top line
    EXPECT_EQ((Bytes{10, 11, 12}), Pixel(image, 1, 1));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(image, 2, 0));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(image, 0, 2));
}

TEST(DibImageBits, LowBitCountsGoThroughTheTable)
{
    // 10 pixels of 1 bit: 1 0 1 1 0 0 0 0 | 0 1
    const Bytes packed = Packed(10, 1, 1, {{0xB0, 0x40}}, {RED, BLUE});
    CDibImage image;
    ASSERT_TRUE(image.SetDibBits(packed.data(), packed.size()));
    EXPECT_EQ(8, image.BitCount());
    EXPECT_EQ((Bytes{1, 0, 1, 1, 0, 0, 0, 0, 0, 1}), Bytes(image.Bits(), image.Bits() + 10));

    ASSERT_TRUE(image.Create(10, 1, 24));
    ASSERT_TRUE(image.SetDibBits(packed.data(), packed.size()));
    EXPECT_EQ((Bytes{255, 0, 0}), Pixel(image, 9, 0));
    EXPECT_EQ((Bytes{0, 0, 255}), Pixel(image, 1, 0));

    const Bytes nibbles = Packed(3, 1, 4, {{0x10, 0x20}}, {RED, BLUE}, 2); // index 2 lies past the table
    ASSERT_TRUE(image.SetDibBits(nibbles.data(), nibbles.size()));
    EXPECT_EQ((Bytes{255, 0, 0}), Pixel(image, 0, 0));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(image, 2, 0));
}

TEST(DibImageBits, MaskedPixelsBecomeTwentyFourBits)
{
    // Red in the low byte, blue in the third.
    const Bytes packed = Packed(1, 1, 32, {{10, 20, 30, 99}}, {}, 0, {0x000000FF, 0x0000FF00, 0x00FF0000});
    CDibImage image;
    ASSERT_TRUE(image.SetDibBits(packed.data(), packed.size()));
    EXPECT_EQ(24, image.BitCount());
    EXPECT_EQ((Bytes{30, 20, 10}), Pixel(image, 0, 0));

    const Bytes rgb565 = Packed(2, 1, 16, {{0xFF, 0xFF, 0x10, 0x84}}, {}, 0, {0xF800, 0x07E0, 0x001F});
    image.Destroy();
    ASSERT_TRUE(image.SetDibBits(rgb565.data(), rgb565.size()));
    EXPECT_EQ((Bytes{255, 255, 255}), Pixel(image, 0, 0));
    EXPECT_EQ((Bytes{132, 130, 132}), Pixel(image, 1, 0));

    const Bytes rgb555 = Packed(1, 1, 16, {{0x00, 0x7C}}); // plain 16 bits: 5-5-5
    ASSERT_TRUE(image.SetDibBits(rgb555.data(), rgb555.size()));
    EXPECT_EQ((Bytes{0, 0, 255}), Pixel(image, 0, 0));

    CDibImage grey;
    ASSERT_TRUE(grey.Create(1, 1, 8));
    ASSERT_TRUE(grey.SetDibBits(packed.data(), packed.size()));
    EXPECT_EQ(Bytes{20}, Pixel(grey, 0, 0)); // nearest grey entry
}

TEST(DibImageBits, MalformedBitmapsLeaveThePictureUnchanged)
{
    CDibImage image;
    ASSERT_TRUE(image.Create(2, 2, 8));
    *PixelAt(image, 0, 0) = 77;
    const Bytes good = Packed(2, 2, 8, {{0, 0}, {0, 0}}, {RED}, 1);

    std::vector<Bytes> bad;
    bad.emplace_back(good.begin(), good.end() - 1); // one byte short
    bad.emplace_back(good.begin(), good.begin() + 39);
    bad.push_back(Packed(2, 2, 8, {{0, 0}, {0, 0}}, {RED}, 0xFFFFFFFF)); // colour count far past the end
    bad.push_back(Packed(0, 2, 8, {}));
    bad.push_back(Packed(2, 2, 12, {{1, 1, 1}, {1, 1, 1}}));
    bad.push_back(good);
    bad.back()[16] = 1; // run-length compression
    bad.push_back(good);
    bad.back()[0] = 200; // header longer than the data
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(image.SetDibBits(bad[i].data(), bad[i].size())) << i;
        EXPECT_EQ(Bytes{77}, Pixel(image, 0, 0)) << i;
    }
    EXPECT_FALSE(image.SetDibBits(nullptr, 100));
    EXPECT_TRUE(image.SetDibBits(good.data(), good.size()));
    EXPECT_EQ(Bytes{0}, Pixel(image, 0, 0));
}

TEST(DibImageBits, BmpMemoryNeedsItsSignature)
{
    const Bytes packed = Packed(1, 1, 24, {{1, 2, 3}});
    Bytes file{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0}; // pixels 4 bytes after the header
    file.insert(file.end(), packed.begin(), packed.begin() + 40);
    file.insert(file.end(), {9, 9, 9, 9});
    file.insert(file.end(), packed.begin() + 40, packed.end());

    CDibImage image;
    ASSERT_TRUE(image.Create(1, 1, 24));
    file[1] = 'X';
    EXPECT_FALSE(image.LoadFromBmpMemory(file.data(), file.size()));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(image, 0, 0));
    file[1] = 'M';
    EXPECT_FALSE(image.LoadFromBmpMemory(file.data(), 13));
    ASSERT_TRUE(image.LoadFromBmpMemory(file.data(), file.size()));
    EXPECT_EQ((Bytes{1, 2, 3}), Pixel(image, 0, 0));
}

TEST(PackedDib, RowColorsGiveWhatColorAtGivesColumnByColumn)
{
    // Short tables leave most indices past their end (black); 300 entries are more than
    // any index reaches.
    const struct {
        int nBitCount;
        std::vector<RGBQUAD> table;
        std::vector<DWORD> masks;
    } kinds[] = {
        {1, NoiseTable(1, 1), {}},
        {4, NoiseTable(5, 2), {}},
        {8, NoiseTable(3, 3), {}},
        {8, NoiseTable(300, 4), {}},
        {16, {}, {}},
        {16, {}, {0xF800, 0x07E0, 0x001F}},
        {24, {}, {}},
        {32, {}, {}},
        {32, {}, {0x000000FF, 0x0003FF00, 0xFFFC0000}},
    };
    for (const auto& kind : kinds) {
        for (const int nWidth : {1, 2, 3, 5, 8, 13}) {
            const std::size_t nRowBytes = (static_cast<std::size_t>(kind.nBitCount) * nWidth + 31) / 32 * 4;
            const Bytes packed =
                Packed(nWidth, 2, kind.nBitCount, {Noise(nRowBytes, nWidth), Noise(nRowBytes, nWidth + 50)},
                       kind.table, static_cast<DWORD>(kind.table.size()), kind.masks);
            CPackedDib dib;
            ASSERT_TRUE(dib.Parse(packed.data(), packed.size()));
            for (int y = 0; y < 2; ++y) {
                Bytes expected(3 * static_cast<std::size_t>(nWidth));
                for (int x = 0; x < nWidth; ++x)
                    dib.ColorAt(dib.Row(y), x, expected[3 * x], expected[3 * x + 1], expected[3 * x + 2]);
                Bytes row(expected.size()); // exactly the row: a store beyond it is caught by ASan
                dib.RowColors(dib.Row(y), nWidth, row.data());
                EXPECT_EQ(expected, row) << kind.nBitCount << " bits, " << kind.table.size() << " colours, width "
                                         << nWidth << ", row " << y;
            }
        }
    }
}

TEST(PackedDib, HeadAloneGivesTheWholeLayoutOrDeclines)
{
    const std::vector<Bytes> rows{Noise(12, 1), Noise(12, 2)};
    const std::vector<DWORD> masks{0xF800, 0x07E0, 0x001F};
    struct CCase {
        Bytes bitmap;
        std::size_t nPixelOffset;
        std::size_t nHeadNeeded; // the header and its masks
    };
    std::vector<CCase> cases{
        {Packed(4, 2, 24, rows), 0, 40},
        {Packed(3, -2, 24, rows, NoiseTable(2, 3), 2), 0, 40}, // top-down, with a table
        {Packed(2, 2, 8, rows, NoiseTable(3, 4), 3), 0, 40},
        {Packed(6, 2, 16, rows, {}, 0, masks), 0, 52},
    };
    // A gap behind the table, found through the pixel offset.
    cases.push_back({Packed(4, 2, 24, rows), 52, 40});
    cases.back().bitmap.insert(cases.back().bitmap.begin() + 40, 12, 0xEE);
    // A 108-byte header holding its masks.
    cases.push_back({Packed(3, 2, 32, {Noise(12, 5), Noise(12, 6)}, {}, 0, masks), 0, 52});
    cases.back().bitmap[0] = 108;
    cases.back().bitmap.insert(cases.back().bitmap.begin() + 52, 56, 0);
    // Broken: a row short, a table past the end, a header longer than the data.
    cases.push_back({Packed(4, 2, 24, rows), 0, 40});
    cases.back().bitmap.pop_back();
    cases.push_back({Packed(2, 2, 8, rows, NoiseTable(3, 7), 300), 0, 40});
    cases.push_back({Packed(4, 2, 24, rows), 0, 40});
    cases.back().bitmap[0] = 200;

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Bytes& bitmap = cases[i].bitmap;
        CPackedDib whole;
        const bool bWhole = whole.Parse(bitmap.data(), bitmap.size(), cases[i].nPixelOffset);
        for (std::size_t nHead = 0; nHead <= bitmap.size(); ++nHead) {
            const Bytes head(bitmap.begin(), bitmap.begin() + static_cast<std::ptrdiff_t>(nHead)); // only these at hand
            CPackedDib part;
            const bool bPart = part.ParseHead(head.data(), nHead, bitmap.size(), cases[i].nPixelOffset);
            EXPECT_EQ(bWhole && nHead >= cases[i].nHeadNeeded, bPart) << "case " << i << ", head " << nHead;
            if (bPart && bWhole) {
                EXPECT_EQ(whole.Width(), part.Width()) << i;
                EXPECT_EQ(whole.Height(), part.Height()) << i;
                EXPECT_EQ(whole.IsTopDown(), part.IsTopDown()) << i;
                EXPECT_EQ(whole.BitCount(), part.BitCount()) << i;
                EXPECT_EQ(whole.ColorCount(), part.ColorCount()) << i;
                EXPECT_EQ(whole.RowBytes(), part.RowBytes()) << i;
                EXPECT_EQ(whole.PixelOffset(), part.PixelOffset()) << i;
                const int nFirstStored = whole.IsTopDown() ? 0 : whole.Height() - 1;
                EXPECT_EQ(whole.Row(nFirstStored), bitmap.data() + whole.PixelOffset()) << i;
            }
        }
    }
}
