// The JPEG encoder as a whole: golden bytes, a reference encoder written straight from
// the stream description, libjpeg-turbo decoding every output, failures and files.
#include "app/files/jpeg_encoder.h"
#include "app/files/jpeg_huffman.h"
#include "tests/files/files_test_util.h"
#include "tests/files/synthetic_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

CDibImage NoisePicture(int nWidth, int nHeight, unsigned nSeed)
{
    CDibImage image;
    image.Create(nWidth, nHeight, 24);
    std::mt19937 random(nSeed);
    for (int i = 0; i < image.Stride() * nHeight; ++i)
        image.Bits()[i] = static_cast<BYTE>(random());
    return image;
}

// The entropy-coded data as the description builds it, one operation after the other:
// MCUs with edge replication and picked chroma, colour conversion in double precision,
// the direct 64-term transform; Huffman coding and the bit stream have tests of their own.
Bytes ReferenceEntropy(const CDibImage& image)
{
    const auto pixel = [&](int x, int y) {
        return PixelAt(image, std::min(x, image.Width() - 1), std::min(y, image.Height() - 1));
    };
    const CHuffmanCodes luma = BuildHuffmanCodes(g_DcLuminanceSpec, g_AcLuminanceSpec);
    const CHuffmanCodes chroma = BuildHuffmanCodes(g_DcChrominanceSpec, g_AcChrominanceSpec);
    int nPrevious[3] = {0, 0, 0};
    COutBitStream out(1 << 20);
    for (int my = 0; my < (image.Height() + 15) / 16; ++my)
        for (int mx = 0; mx < (image.Width() + 15) / 16; ++mx) {
            int nSamples[6][64]; // four luminance blocks, Cb, Cr
            for (int i = 0; i < 64; ++i) {
                for (int b = 0; b < 4; ++b) {
                    const BYTE* p = pixel((2 * mx + b % 2) * 8 + i % 8, 16 * my + (b < 2 ? 0 : 8) + i / 8);
                    nSamples[b][i] = static_cast<int>(0.587 * p[1] + 0.299 * p[2] + 0.114 * p[0] - 128);
                }
                const BYTE* p = pixel(16 * mx + 2 * (i % 8), 16 * my + 2 * (i / 8));
                nSamples[4][i] = static_cast<int>(0.5 * p[0] - (0.1687 * p[2] + 0.3313 * p[1]));
                nSamples[5][i] = static_cast<int>(0.5 * p[2] - 0.4187 * p[1] - 0.0813 * p[0]);
            }
            for (int b = 0; b < 6; ++b) {
                std::int16_t nCoefficients[64];
                for (int k = 0; k < 64; ++k)
                    nCoefficients[k] = static_cast<std::int16_t>(DirectCoefficient(nSamples[b], k / 8, k % 8, b < 4 ? 0 : 1));
                CodeHuffman(nCoefficients, NonZeroMask(nCoefficients), nPrevious[b < 4 ? 0 : b - 3],
                            b < 4 ? luma : chroma, out);
            }
        }
    out.Align();
    return Bytes(out.Start(), out.Start() + out.Size());
}

std::string BitString(const Bytes& bytes)
{
    std::string text;
    for (BYTE b : bytes)
        for (int i = 7; i >= 0; --i)
            text += (b >> i) & 1 ? '1' : '0';
    return text;
}

} // namespace

TEST(JpegEncoder, StreamStartsAndEndsWithTheFixedSegments)
{
    const Bytes jpeg = EncodeJpeg(SolidPicture(5, 3, 10, 200, 30));
    const Bytes start = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x02, 0x01, 0x00, 0x48,
                         0x00, 0x48, 0x00, 0x00, 0xFF, 0xFE, 0x00, 0x05, 0x20, 0x20, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00,
                         0x10};
    ASSERT_GT(jpeg.size(), start.size() + 2);
    EXPECT_EQ(start, Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(start.size())));
    EXPECT_EQ((Bytes{0xFF, 0xD9}), Bytes(jpeg.end() - 2, jpeg.end()));
    const std::vector<Bytes> segments = HeaderSegments(jpeg);
    ASSERT_EQ(10u, segments.size()); // APP0, COM, 2 DQT, 4 DHT, SOF0, SOS
    EXPECT_EQ((Bytes{0xFF, 0xC0, 0, 17, 8, 0, 3, 0, 5, 3, 0, 0x22, 0, 1, 0x11, 1, 2, 0x11, 1}), segments[8]);
    EXPECT_EQ((Bytes{0xFF, 0xDA, 0, 12, 3, 0, 0x00, 1, 0x11, 2, 0x11, 0, 0x3F, 0}), segments[9]);

    // libjpeg-turbo writes the unscaled example tables at quality 50 and the typical
    // Huffman tables: its DQT and DHT segments must equal ours, table by table.
    const CDibImage solid = SolidPicture(16, 16, 1, 2, 3);
    int nCompared = 0;
    for (const Bytes& theirs :
         HeaderSegments(EncodeWithTurbo(solid.Bits(), 16, solid.Stride(), 16, TJPF_BGR, TJSAMP_420, 50, 0))) {
        const auto ours = std::find_if(segments.begin(), segments.end(), [&](const Bytes& own) {
            return theirs[1] == own[1] && theirs.size() > 4 && own[4] == theirs[4];
        });
        if (theirs[1] == 0xDB || theirs[1] == 0xC4) {
            ASSERT_NE(segments.end(), ours) << "table " << int(theirs[4]);
            EXPECT_EQ(theirs, *ours) << "marker " << int(theirs[1]) << " table " << int(theirs[4]);
            ++nCompared;
        }
    }
    EXPECT_EQ(6, nCompared);
}

TEST(JpegEncoder, BlackPicturesCodeOnlyDcAndEndOfBlock)
{
    // One pixel: one MCU in the smallest buffer. Y: DC -64 (size 7, bits 0111111) and
    // EOB, then three times difference 0 and EOB; Cb and Cr: 00 00 each; filled with ones.
    const CDibImage pixel = SolidPicture(1, 1, 0, 0, 0);
    CJpegEncoder encoder(pixel);
    ASSERT_TRUE(encoder.Encode());
    EXPECT_EQ(10240u, encoder.Capacity());
    EXPECT_EQ((Bytes{0xF3, 0xFA, 0x28, 0xA2, 0x80, 0x3F}),
              EntropyData(Bytes(encoder.Data(), encoder.Data() + encoder.Size())));

    // 3 x 2 MCUs: every later block codes a DC difference of 0.
    std::string expected = "11110" "0111111" "1010";
    for (int nBlock = 1; nBlock < 36; ++nBlock)
        expected += nBlock % 6 < 4 ? "00" "1010" : "00" "00";
    expected.resize((expected.size() + 7) / 8 * 8, '1');
    EXPECT_EQ(expected, BitString(EntropyData(EncodeJpeg(SolidPicture(48, 32, 0, 0, 0)))));
}

TEST(JpegEncoder, EqualsTheReferenceEncoder)
{
    // Among them 17 x 17: 2 x 2 MCUs, the second column and row repeating pixel 16.
    for (const auto& [nWidth, nHeight] : {std::pair{1, 1}, {2, 3}, {17, 17}, {33, 21}, {40, 24}, {65, 49}}) {
        CDibImage image = NoisePicture(nWidth, nHeight, static_cast<unsigned>(nWidth));
        EXPECT_EQ(ReferenceEntropy(image), EntropyData(EncodeJpeg(image))) << nWidth << " x " << nHeight;
        DrawNaturalPicture(image, nWidth, nHeight, static_cast<std::uint32_t>(nHeight));
        EXPECT_EQ(ReferenceEntropy(image), EntropyData(EncodeJpeg(image))) << nWidth << " x " << nHeight;
    }
    // Every FF of the entropy-coded data is followed by a stuffed 00.
    const Bytes entropy = EntropyData(EncodeJpeg(NoisePicture(64, 64, 5)));
    int nStuffed = 0;
    for (std::size_t i = 0; i + 1 < entropy.size(); ++i)
        if (entropy[i] == 0xFF) {
            EXPECT_EQ(0, entropy[++i]) << "at " << i;
            ++nStuffed;
        }
    EXPECT_GT(nStuffed, 0) << "the test picture should produce FF bytes";
    EXPECT_NE(0xFF, entropy.back());
}

TEST(JpegEncoder, OutputDecodesToThePictureWithItsLooks)
{
    for (const auto& [nWidth, nHeight] : {std::pair{1, 1}, {2, 3}, {16, 16}, {17, 17}, {100, 1}, {641, 480}}) {
        CDibImage image;
        DrawNaturalPicture(image, nWidth, nHeight, 11);
        const CDibImage decoded = DecodeWithTurbo(EncodeJpeg(image));
        EXPECT_EQ(nWidth, decoded.Width());
        EXPECT_EQ(nHeight, decoded.Height());
    }
    EXPECT_EQ(48, DecodeWithTurbo(EncodeJpeg(NoisePicture(48, 40, 9))).Width());
    CDibImage image;
    DrawNaturalPicture(image, 320, 240, 1);
    const CDibImage decoded = DecodeWithTurbo(EncodeJpeg(image));
    ASSERT_EQ(320, decoded.Width());
    EXPECT_GT(Psnr(image, decoded), 30.0);
}

TEST(SaveJpeg, WritesTheStreamOrNothing)
{
    CTempFolder folder;
    CDibImage image;
    DrawNaturalPicture(image, 40, 30, 2);
    const std::string strPath = folder.File("picture.jpg");
    WriteBytes(strPath, Bytes(100000, 0x55)); // a longer file is replaced as a whole
    ASSERT_TRUE(SaveJpeg(image, strPath.c_str()));
    EXPECT_EQ(EncodeJpeg(image), ReadBytes(strPath));

    CDibImage grey;
    grey.Create(8, 8, 8);
    CJpegEncoder greyEncoder(grey);
    EXPECT_FALSE(greyEncoder.Encode());
    EXPECT_EQ(0u, greyEncoder.Size());
    EXPECT_FALSE(SaveJpeg(grey, folder.File("grey.jpg").c_str()));
    EXPECT_FALSE(SaveJpeg(CDibImage(), folder.File("empty.jpg").c_str()));
    EXPECT_FALSE(SaveJpeg(image, folder.File("missing/picture.jpg").c_str()));
    EXPECT_EQ(std::vector<std::string>{"picture.jpg"}, folder.Entries());
}
