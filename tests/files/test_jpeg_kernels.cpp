// The JPEG encoder's stages one by one: tables, bit stream, Huffman coding of a block,
// the transform against the direct double-precision sum.
#include "app/files/jpeg_colour.h"
#include "app/files/jpeg_dct.h"
#include "app/files/jpeg_huffman.h"
#include "app/files/jpeg_tables.h"
#include "app/files/out_bit_stream.h"
#include "tests/files/files_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

// The bits of a code, or of written bytes without their stuffing, as 0 and 1.
std::string Bits(unsigned nCode, int nLength)
{
    std::string text;
    for (int i = nLength - 1; i >= 0; --i)
        text += (nCode >> i) & 1 ? '1' : '0';
    return text;
}

std::string WrittenBits(const COutBitStream& out)
{
    std::string text;
    for (std::size_t i = 0; i < out.Size(); ++i) {
        text += Bits(out.Start()[i], 8);
        i += out.Start()[i] == 0xFF ? 1 : 0;
    }
    return text;
}

const CHuffmanCodes LUMA = BuildHuffmanCodes(g_DcLuminanceSpec, g_AcLuminanceSpec);

} // namespace

TEST(JpegTables, ZigzagWalksTheDiagonalsAlternately)
{
    int k = 0;
    for (int d = 0; d < 15; ++d)
        for (int i = 0; i < 8; ++i) {
            const int y = d % 2 ? i : d - i, x = d - y; // odd diagonals downwards
            if (x >= 0 && x < 8 && y >= 0 && y < 8) {
                EXPECT_EQ(y * 8 + x, g_ZigzagToNatural[k]) << "zigzag position " << k;
                EXPECT_EQ(k, g_NaturalToZigzag[y * 8 + x]);
                ++k;
            }
        }
    EXPECT_EQ("11111111001", Bits(LUMA.nAcCode[CHuffmanCodes::AC_ZRL], LUMA.nAcLength[CHuffmanCodes::AC_ZRL]));
    EXPECT_EQ("1111111111111110", Bits(LUMA.nAcCode[AcIndex(15, 10)], LUMA.nAcLength[AcIndex(15, 10)]));
}

TEST(OutBitStream, PacksBitsHighFirstStuffsAndAligns)
{
    COutBitStream out(16);
    out.SetBits(0b101, 3);
    out.SetBits(0b11110, 5); // 10111110
    out.SetBits(0xFFF, 12);  // FF, stuffed, and 1111 pending
    out.SetBits(0x3, 4);     // 11110011
    out.SetBits(0, 1);
    out.SetByte(0xFF); // the pending bit is completed with ones (7F); not stuffed
    out.SetWord(0x1234);
    out.SetBits(0x7F, 7);
    out.Align(); // filled with a one to FF, which is stuffed
    EXPECT_EQ((std::vector<BYTE>{0xBE, 0xFF, 0x00, 0xF3, 0x7F, 0xFF, 0x12, 0x34, 0xFF, 0x00}),
              std::vector<BYTE>(out.Start(), out.Start() + out.Size()));
}

TEST(OutBitStream, RaisesOnOverflowAndBadRequests)
{
    EXPECT_THROW(COutBitStream(0), EMemoryError);
    COutBitStream out(4);
    EXPECT_THROW(out.SetBits(0, 17), EBufferError);
    out.SetWord(0xFFD8);
    const BYTE two[] = {1, 2};
    EXPECT_THROW(out.CopyByte(two, 2), EBufferError); // would reach the end
    out.SetByte(1);
    out.SetByte(2);
    EXPECT_THROW(out.SetByte(3), EBufferError);
    EXPECT_THROW(out.SetWord(3), EBufferError);
    EXPECT_THROW(out.SetBits(0, 8), EBufferError);
    COutBitStream stuffed(1);
    EXPECT_THROW(stuffed.SetBits(0xFF, 8), EBufferError); // the byte fits, its stuffing not
}

// SetBitsWide against the same bits through SetBits, 16 at most at a time: random runs
// rich in one-bits (so FF bytes and their stuffing), and a buffer that fills up, where
// both must refuse the same write.
TEST(OutBitStream, WideBitsEqualNarrowBits)
{
    std::mt19937 random(3);
    for (int nRound = 0; nRound < 20; ++nRound) {
        COutBitStream wide(4096), narrow(4096);
        COutBitStream wideSmall(40), narrowSmall(40);
        int nWideFailure = -1, nNarrowFailure = -1;
        for (int nWrite = 0; nWrite < 300; ++nWrite) {
            const int nBits = static_cast<int>(random() % 33);
            const std::uint32_t nValue = random() % 3 == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(random());
            auto writeNarrow = [&](COutBitStream& out) {
                if (nBits > 16)
                    out.SetBits(nValue >> 16, nBits - 16);
                out.SetBits(nValue & 0xFFFF, std::min(nBits, 16));
            };
            wide.SetBitsWide(nValue, nBits);
            writeNarrow(narrow);
            if (nWideFailure < 0) {
                try {
                    wideSmall.SetBitsWide(nValue, nBits);
                } catch (const EBufferError&) {
                    nWideFailure = nWrite;
                }
            }
            if (nNarrowFailure < 0) {
                try {
                    writeNarrow(narrowSmall);
                } catch (const EBufferError&) {
                    nNarrowFailure = nWrite;
                }
            }
        }
        wide.Align();
        narrow.Align();
        ASSERT_EQ(std::vector<BYTE>(narrow.Start(), narrow.Start() + narrow.Size()),
                  std::vector<BYTE>(wide.Start(), wide.Start() + wide.Size()))
            << "round " << nRound;
        EXPECT_GE(nNarrowFailure, 0);
        EXPECT_EQ(nNarrowFailure, nWideFailure) << "round " << nRound;
    }
}

TEST(CodeHuffman, RunsEndOfBlockAndDcDifferences)
{
    // DC -3 after -1: difference -2 (size 2, bits 01). Zigzag position 20 holds -3 after
    // 19 zeros: one ZRL, run 3 size 2, bits 00. Position 63 holds 1 after 42 zeros: two
    // ZRLs, run 10 size 1, bit 1, and no end-of-block.
    std::int16_t block[64] = {-3};
    block[g_ZigzagToNatural[20]] = -3;
    block[63] = 1;
    const std::string zrl = Bits(LUMA.nAcCode[CHuffmanCodes::AC_ZRL], LUMA.nAcLength[CHuffmanCodes::AC_ZRL]);
    std::string expected = Bits(LUMA.nDcCode[2], LUMA.nDcLength[2]) + "01" + zrl +
                           Bits(LUMA.nAcCode[AcIndex(3, 2)], LUMA.nAcLength[AcIndex(3, 2)]) + "00" + zrl + zrl +
                           Bits(LUMA.nAcCode[AcIndex(10, 1)], LUMA.nAcLength[AcIndex(10, 1)]) + "1";
    // The same block with the last coefficient zero: end-of-block after position 20.
    block[63] = 0;
    expected += "00" + zrl + Bits(LUMA.nAcCode[AcIndex(3, 2)], LUMA.nAcLength[AcIndex(3, 2)]) + "00" + "1010";

    int nPrevious = -1;
    COutBitStream out(64);
    block[63] = 1;
    CodeHuffman(block, NonZeroMask(block), nPrevious, LUMA, out);
    block[63] = 0;
    CodeHuffman(block, NonZeroMask(block), nPrevious, LUMA, out);
    EXPECT_EQ(-3, nPrevious);
    out.Align();
    EXPECT_EQ(expected, WrittenBits(out).substr(0, expected.size()));
}

TEST(CodeHuffman, SizeBeyondTheTablesRaises)
{
    COutBitStream out(256);
    std::int16_t block[64] = {2048};
    int nPrevious = -2048; // difference 4096: size 13
    EXPECT_THROW(CodeHuffman(block, NonZeroMask(block), nPrevious, LUMA, out), EIndexError);
    block[1] = 1024; // size 11
    EXPECT_THROW(CodeHuffman(block, NonZeroMask(block), nPrevious, LUMA, out), EIndexError);
}

// The row conversion against the double expressions on every red-green pair with a
// quarter of the blue levels, greys among them (whose weighted sums are whole numbers, the
// case the fast integer form hands to the double expression), at even and odd pixels,
// with rows that end inside a vector step and are repeated beyond their end.
TEST(JpegColour, RowConversionEqualsTheDoubleExpressions)
{
    const int nWidth = 4096;
    std::vector<BYTE> row(3 * nWidth);
    std::vector<double> planes(3 * (nWidth + 16));
    std::vector<float> luma(nWidth + 16), cb(nWidth / 2 + 8), cr(nWidth / 2 + 8);
    for (int nBlue = 0; nBlue < 256; nBlue += 4)
        for (int nRed = 0; nRed < 256; ++nRed) {
            for (int x = 0; x < nWidth; ++x) {
                const int g = x % 256;
                row[3 * x] = static_cast<BYTE>(x < 256 ? nBlue : (nBlue + x / 256) % 256);
                row[3 * x + 1] = static_cast<BYTE>(g);
                row[3 * x + 2] = static_cast<BYTE>(x >= 512 && x < 768 ? g : nRed); // a run of greys
            }
            for (int nShift : {0, 1}) {
                const int nLength = nWidth - nRed % 16 - nShift; // ends inside a step
                const int nOutCount = nRed % 2 == 0 ? nLength + 16 - nLength % 16 : nLength + nLength % 2;
                ConvertPictureRow(&row[3 * nShift], nLength, nOutCount, planes.data(), luma.data(), cb.data(),
                                  cr.data());
                for (int x = 0; x < nOutCount; ++x) {
                    const BYTE* p = &row[3 * (nShift + std::min(x, nLength - 1))];
                    ASSERT_EQ(static_cast<float>(LuminanceOf(p[2], p[1], p[0])), luma[x]) << x << " blue " << nBlue;
                    if (x % 2 == 0) {
                        ASSERT_EQ(static_cast<float>(ChromaBlueOf(p[2], p[1], p[0])), cb[x / 2]) << x;
                        ASSERT_EQ(static_cast<float>(ChromaRedOf(p[2], p[1], p[0])), cr[x / 2]) << x;
                    }
                }
            }
        }
}

TEST(DctTransform, EqualsTheDirectSum)
{
    // Flat blocks, impulses, rounded basis functions (coefficients on quantisation
    // steps), then random blocks; each also with every coefficient near a step taken
    // from the direct sum (a bound of 1).
    std::vector<std::vector<float>> blocks;
    for (int nLevel = -128; nLevel < 128; ++nLevel)
        blocks.emplace_back(64, static_cast<float>(nLevel));
    for (int k = 0; k < 64; ++k) {
        blocks.emplace_back(64, 0.0f);
        blocks.back()[k] = k % 2 ? 127.0f : -128.0f;
        blocks.emplace_back(64);
        for (int i = 0; i < 64; ++i)
            blocks.back()[i] = std::round(127 * std::cos((2 * (i / 8) + 1) * (k / 8) * M_PI / 16) *
                                          std::cos((2 * (i % 8) + 1) * (k % 8) * M_PI / 16));
    }
    std::mt19937 random(8);
    for (int n = 0; n < 2000; ++n) {
        blocks.emplace_back(64);
        for (float& f : blocks.back())
            f = static_cast<float>(static_cast<int>(random() % 256) - 128);
    }
    const CDctTransform dct;
    for (std::size_t b = 0; b < blocks.size(); ++b)
        for (int nTable = 0; nTable < 2; ++nTable) {
            std::int16_t nFast[64], nForced[64];
            const std::uint64_t nMask = dct.ForwardQuantise(blocks[b].data(), 8, nTable, nFast);
            dct.ForwardQuantise(blocks[b].data(), 8, nTable, nForced, 1.0f);
            for (int k = 0; k < 64; ++k) {
                const int nDirect = DirectCoefficient(blocks[b].data(), k / 8, k % 8, nTable);
                ASSERT_EQ(nDirect, nFast[k]) << "block " << b << " coefficient " << k << " table " << nTable;
                ASSERT_EQ(nDirect, nForced[k]) << "block " << b << " coefficient " << k;
                ASSERT_EQ(nDirect != 0, (nMask >> k) & 1) << "block " << b << " coefficient " << k;
            }
        }
}
