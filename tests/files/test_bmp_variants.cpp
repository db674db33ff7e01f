// BMP files of every kind a user may have: run-length compressed, OS/2, colour masks in
// headers of every size, each read as Qt's QImage reads it; hostile run-length files
// clipped or refused; the run-length expansion on its own.
#include "app/files/bmp_writer.h"
#include "app/files/picture_loader.h"
#include "app/imaging/bmp_rle.h"
#include "tests/files/files_test_util.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::string Sample(const std::string& strName)
{
    return std::string(VEXILO_BMP_VARIANTS) + "/" + strName;
}

// Differences of a loaded picture from QImage's reading of szQtFile, converted to
// RGB888, as "x,y" of the first differing pixel ("" when none). nFieldBits, when not 0,
// is the width of every colour field of a 16-bit file (5 or 6 bits; green gets
// nFieldBits + 1): Qt gives a field's value in the top bits of the byte (Qt 6.4 leaves
// the low bits zero, later versions repeat the value there), this program stretches it
// to 0..255, rounded.
std::string DifferenceFromQt(const CDibImage& image, const std::string& strQtFile, int nFieldBits = 0)
{
    const QImage qt = QImage(QString::fromStdString(Sample(strQtFile))).convertToFormat(QImage::Format_RGB888);
    if (qt.isNull())
        return "Qt cannot read it";
    if (image.Width() != qt.width() || image.Height() != qt.height() || image.BitCount() != 24)
        return "size or format";
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            const uchar* pRgb = qt.constScanLine(y) + 3 * x;
            const BYTE* pBgr = PixelAt(image, x, y);
            for (int c = 0; c < 3; ++c) {
                int nExpected = pRgb[c];
                if (nFieldBits != 0) {
                    const int nBits = nFieldBits + (c == 1 ? 1 : 0);
                    const int nMax = (1 << nBits) - 1;
                    nExpected = ((nExpected >> (8 - nBits)) * 255 + nMax / 2) / nMax;
                }
                if (pBgr[2 - c] != nExpected)
                    return std::to_string(x) + "," + std::to_string(y);
            }
        }
    return "";
}

// A picture of colour letters, top line first: G green, R red, B blue, W white (the
// table of the hostile files, entries 0 to 3).
Lines Letters(const CDibImage& image)
{
    Lines lines;
    for (int y = 0; y < image.Height(); ++y) {
        std::string strLine;
        for (int x = 0; x < image.Width(); ++x) {
            const BYTE* p = PixelAt(image, x, y);
            strLine += p[0] == 0 && p[1] == 255 && p[2] == 0     ? 'G'
                       : p[0] == 0 && p[1] == 0 && p[2] == 255   ? 'R'
                       : p[0] == 255 && p[1] == 0 && p[2] == 0   ? 'B'
                       : p[0] == 255 && p[1] == 255 && p[2] == 255 ? 'W'
                                                                   : '?';
        }
        lines.push_back(strLine);
    }
    return lines;
}

// Expands a stream into rows of nRowBytes, bottom line first; {} when refused.
std::vector<Bytes> Expand(const Bytes& stream, int nBitCount, int nWidth, int nHeight, std::size_t nRowBytes)
{
    Bytes rows(nRowBytes * nHeight, 0xEE);
    if (!ExpandBmpRle(stream.data(), stream.size(), nBitCount, nWidth, nHeight, rows.data(), nRowBytes))
        return {};
    std::vector<Bytes> out;
    for (int r = 0; r < nHeight; ++r)
        out.emplace_back(rows.begin() + r * nRowBytes, rows.begin() + (r + 1) * nRowBytes);
    return out;
}

} // namespace

TEST(BmpVariants, SamplesLoadAsQtReadsThem)
{
    const struct {
        const char* szFile;
        const char* szQtFile; // what Qt reads for it
        int nFieldBits;
    } samples[] = {
        {"rle8.bmp", "rle8.bmp", 0},
        {"rle8-v5.bmp", "rle8-v5.bmp", 0},
        {"rle8-absolute.bmp", "rle8-absolute.bmp", 0},
        {"rle8-absolute.bmp", "plain-8bit.bmp", 0},
        // Qt leaves the pixels a delta skips as they happen to be; here they are colour
        // 0, the ground, so the file shows the picture it was made from.
        {"rle8-delta.bmp", "plain-8bit.bmp", 0},
        {"rle4.bmp", "rle4.bmp", 0},
        {"rle4.bmp", "plain-4bit.bmp", 0},
        {"plain-8bit.bmp", "plain-8bit.bmp", 0},
        {"plain-4bit.bmp", "plain-4bit.bmp", 0},
        {"os2-1bit.bmp", "os2-1bit.bmp", 0},
        {"os2-4bit.bmp", "os2-4bit.bmp", 0},
        {"os2-8bit.bmp", "os2-8bit.bmp", 0},
        {"os2-24bit.bmp", "os2-24bit.bmp", 0},
        {"bitfields-32.bmp", "bitfields-32.bmp", 0},
        {"bitfields-32-v2.bmp", "bitfields-32.bmp", 0}, // Qt reads no 52-byte header
        {"bitfields-565.bmp", "bitfields-565.bmp", 5},
        {"bitfields-565-v3.bmp", "bitfields-565.bmp", 5}, // nor a 56-byte one
    };
    CTempFolder folder;
    for (const auto& sample : samples) {
        CDibImage image;
        ASSERT_EQ(1, LoadPicture(image, Sample(sample.szFile).c_str())) << sample.szFile;
        EXPECT_EQ("", DifferenceFromQt(image, sample.szQtFile, sample.nFieldBits))
            << sample.szFile << " against Qt's " << sample.szQtFile;

        // Saved again, the file says what it holds (no run-length compression, no OS/2
        // header) and loads as the same picture.
        const std::string strSaved = folder.File("saved.bmp");
        ASSERT_TRUE(WriteBmp(image, strSaved.c_str())) << sample.szFile;
        CDibImage again;
        ASSERT_EQ(1, LoadPicture(again, strSaved.c_str())) << sample.szFile;
        EXPECT_EQ(0, std::memcmp(image.Bits(), again.Bits(), std::size_t(image.Stride()) * image.Height()))
            << sample.szFile;
    }

    // The pixel limit holds before a run-length stream is expanded.
    const Bytes rle8 = ReadBytes(Sample("rle8.bmp"));
    CDibImage image;
    EXPECT_EQ(1, LoadPictureFromMemory(image, rle8.data(), rle8.size(), 37 * 23));
    EXPECT_EQ(0, LoadPictureFromMemory(image, rle8.data(), rle8.size(), 37 * 23 - 1));
}

TEST(BmpVariants, HostileFilesAreClippedOrRefused)
{
    const struct {
        const char* szFile;
        Lines picture; // empty: refused
    } files[] = {
        // Runs beyond the row's end are cut there; the runs after them on the row dropped.
        {"hostile-run-past-row.bmp", {"GGGGGG", "GGGGGG", "BBWWWW", "RRRRRR"}},
        // Whatever follows the end of the top line is not read.
        {"hostile-run-past-end.bmp", {"RRRRRR", "WWWWWW", "BBBBBB", "RRRRRR"}},
        // A delta past the row's end drops the rest of the row; one past the top ends it.
        {"hostile-delta-out.bmp", {"GGGGGG", "GGGGGG", "WGGGGG", "RGGGGG"}},
        {"hostile-rle4-past-row.bmp", {"WWGGG", "WRBWR", "RBRBR"}},
        {"hostile-truncated.bmp", {}},       // inside an absolute run
        {"hostile-truncated-delta.bmp", {}}, // inside a delta
        {"hostile-top-down.bmp", {}},
        {"hostile-bit-count.bmp", {}},       // BI_RLE8 of 24 bits
        {"hostile-huge.bmp", {}},            // 60000 x 60000 pixels from 74 bytes
        {"hostile-colour-count.bmp", {}},    // a table far past the end
    };
    for (const auto& file : files) {
        CDibImage image;
        const int nResult = LoadPicture(image, Sample(file.szFile).c_str());
        ASSERT_EQ(file.picture.empty() ? 0 : 1, nResult) << file.szFile;
        EXPECT_EQ(file.picture, nResult == 1 ? Letters(image) : Lines{}) << file.szFile;
    }
}

TEST(BmpRle, SkippedPixelsAreZeroAndRowPaddingStaysZero)
{
    // 5 x 3 of 8 bits in rows of 8 bytes: a run past the row (its padding untouched), an
    // early end of line, a delta right and up, an early end of bitmap.
    const Bytes stream = {9, 7, 0, 0, 2, 4, 0, 2, 1, 1, 1, 5, 0, 1};
    EXPECT_EQ((std::vector<Bytes>{{7, 7, 7, 7, 7, 0, 0, 0}, {4, 4, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 5, 0, 0, 0, 0}}),
              Expand(stream, 8, 5, 3, 8));

    // 4 bits: a run takes the nibbles in turn, an absolute run of 3 nibbles (2 bytes,
    // no pad) starts on an odd column.
    const Bytes nibbles = {1, 0xAB, 0, 3, 0x12, 0x30, 2, 0xCD, 0, 1};
    EXPECT_EQ((std::vector<Bytes>{{0xA1, 0x23, 0xCD, 0}}), Expand(nibbles, 4, 6, 1, 4));
    // An odd absolute run of 8 bits is padded to an even byte count.
    EXPECT_EQ((std::vector<Bytes>{{1, 2, 3, 9}}), Expand({0, 3, 1, 2, 3, 0, 1, 9, 0, 1}, 8, 4, 1, 4));
}

TEST(BmpRle, AStreamEndingEarlyIsRefusedUnlessNothingIsLeftToWrite)
{
    // Every line written without an end of bitmap, also without the last pad byte.
    EXPECT_EQ((std::vector<Bytes>{{1, 1, 0, 0}, {2, 2, 0, 0}}), Expand({2, 1, 0, 0, 2, 2}, 8, 2, 2, 4));
    EXPECT_EQ((std::vector<Bytes>{{1, 2, 3, 0}}), Expand({0, 3, 1, 2, 3}, 8, 3, 1, 4));
    EXPECT_EQ((std::vector<Bytes>{{1, 1, 0, 0}, {0, 0, 0, 0}}), Expand({2, 1, 0, 0, 0, 0}, 8, 2, 2, 4));

    EXPECT_TRUE(Expand({2, 1, 0, 0, 1, 2}, 8, 2, 2, 4).empty()); // the top line short
    EXPECT_TRUE(Expand({2, 1, 0}, 8, 2, 2, 4).empty());          // inside an escape
    EXPECT_TRUE(Expand({2}, 8, 2, 1, 4).empty());                // inside a run
    EXPECT_TRUE(Expand({}, 4, 2, 1, 4).empty());
    EXPECT_TRUE(Expand({0, 1}, 24, 2, 1, 8).empty()); // only 4 and 8 bits
    EXPECT_TRUE(Expand({0, 1}, 8, 5, 1, 4).empty());  // rows too short for the width
}
