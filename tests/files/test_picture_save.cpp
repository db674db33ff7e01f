// Saving pictures: the proposed name, the dialog's answer, the composed picture with and
// without the measurements, and the canvas that draws them into the pixels.
#include "app/files/dib_canvas.h"
#include "app/files/label_font.h"
#include "app/files/picture_loader.h"
#include "app/files/picture_save.h"
#include "tests/files/files_test_util.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

constexpr COLORREF RED = 0x0000FF;
constexpr COLORREF GREEN = 0x00FF00;
constexpr COLORREF CYAN = 0xFFFF00;

COLORREF ColorAt(const CDibImage& picture, int x, int y)
{
    const BYTE* p = PixelAt(picture, x, y);
    return RGB(p[2], p[1], p[0]);
}

// The pixels of a picture that are not black.
std::set<std::pair<int, int>> Painted(const CDibImage& picture)
{
    std::set<std::pair<int, int>> painted;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (ColorAt(picture, x, y) != 0)
                painted.insert({x, y});
    return painted;
}

CDibImage Black(int nWidth, int nHeight)
{
    CDibImage picture;
    EXPECT_TRUE(picture.Create(nWidth, nHeight, 24));
    return picture;
}

// A finished length measurement from a to b, 1.23 cm.
MeasureItem Length(DPOINT a, DPOINT b)
{
    MeasureItem item;
    SelectTool(item, TOOL_LINE);
    item.Points.Set(0, a);
    item.Points.Set(1, b);
    item.PointCount = 2;
    item.Type = -TOOL_LINE;
    item.Value[0] = 1.23;
    return item;
}

} // namespace

TEST(PictureSave, NamesAndTheDialogsAnswer)
{
    std::tm local{};
    local.tm_year = 2004 - 1900;
    local.tm_mon = 7;
    local.tm_mday = 27;
    local.tm_hour = 7;
    local.tm_min = 24;
    local.tm_sec = 56;
    EXPECT_EQ(DefaultPictureName(local), "20040827072456.bmp");

    // The JPEG filter makes a .jpg of any name; the BMP filter keeps the name as typed.
    CSaveTarget target = ResolveSaveTarget("/pics/sample.bmp", SAVE_FORMAT_JPEG);
    EXPECT_EQ(target.szPath, "/pics/sample.jpg");
    EXPECT_EQ(target.szFolder, "/pics");
    EXPECT_EQ(target.nFormat, SAVE_FORMAT_JPEG);
    target = ResolveSaveTarget("/pics/sample.jpg", SAVE_FORMAT_BMP);
    EXPECT_EQ(target.szPath, "/pics/sample.jpg");
    EXPECT_EQ(target.nFormat, SAVE_FORMAT_BMP);
    EXPECT_EQ(ResolveSaveTarget("/my.pics/sample", SAVE_FORMAT_JPEG).szPath, "/my.pics/sample.jpg");
    EXPECT_EQ(ResolveSaveTarget("/pics/.hidden", SAVE_FORMAT_JPEG).szPath, "/pics/.hidden.jpg");
    EXPECT_EQ(ResolveSaveTarget("/sample.bmp", SAVE_FORMAT_BMP).szFolder, "/");

    EXPECT_EQ(PictureFormatOfPath("a/b.BMP"), SAVE_FORMAT_BMP);
    EXPECT_EQ(PictureFormatOfPath("b.jpeg"), SAVE_FORMAT_JPEG);
    EXPECT_EQ(PictureFormatOfPath("b.png"), 0);
    EXPECT_EQ(PictureFormatOfPath("dir.jpg/b"), 0);
}

TEST(PictureSave, WithoutTheOverlayTheFileHoldsThePictureShown)
{
    const CTempFolder folder;
    // An 8-bit picture comes out through its colour table.
    CDibImage grey;
    ASSERT_TRUE(grey.Create(16, 8, 8));
    RGBQUAD table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
    grey.SetPalette(CDibImage::PALETTE_ENTRIES, table, 0, 256);
    NumberPixels(grey);
    ASSERT_TRUE(ComposePicture(folder.File("grey.bmp").c_str(), grey, SAVE_FORMAT_BMP, nullptr));
    CDibImage saved;
    ASSERT_TRUE(LoadPicture(saved, folder.File("grey.bmp").c_str()));
    ASSERT_EQ(saved.BitCount(), 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const BYTE v = *PixelAt(grey, x, y);
            EXPECT_EQ(ColorAt(saved, x, y), RGB(7, 255 - v, v)) << x << "," << y;
        }

    // A 24-bit picture byte for byte, as BMP and through the encoder as JPEG.
    CDibImage colour = Black(33, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            PixelAt(colour, x, y)[1] = static_cast<BYTE>(7 * x + y);
    ASSERT_TRUE(ComposePicture(folder.File("colour.bmp").c_str(), colour, SAVE_FORMAT_BMP, nullptr));
    CDibImage savedColour;
    ASSERT_TRUE(LoadPicture(savedColour, folder.File("colour.bmp").c_str()));
    EXPECT_TRUE(std::equal(savedColour.Bits(), savedColour.Bits() + savedColour.Stride() * 17, colour.Bits()));
    ASSERT_TRUE(ComposePicture(folder.File("colour.jpg").c_str(), colour, SAVE_FORMAT_JPEG, nullptr));
    EXPECT_EQ(ReadBytes(folder.File("colour.jpg")), EncodeJpeg(colour));
}

TEST(PictureSave, FailuresWriteNothingAndSayWhy)
{
    const CTempFolder folder;
    const CDibImage picture = Black(8, 8);
    std::string szError;
    EXPECT_FALSE(ComposePicture(folder.File("x.png").c_str(), picture, 3, nullptr, &szError));
    EXPECT_FALSE(ComposePicture(folder.File("x.bmp").c_str(), CDibImage(), SAVE_FORMAT_BMP, nullptr, &szError));
    EXPECT_TRUE(folder.Entries().empty());

    // A folder that is not there; an existing picture stays whole when its folder
    // cannot take the new one (the file is replaced only by a complete one).
    const std::string szMissing = folder.File("gone/x.jpg");
    EXPECT_FALSE(ComposePicture(szMissing.c_str(), picture, SAVE_FORMAT_JPEG, nullptr, &szError));
    EXPECT_NE(szError.find(szMissing), std::string::npos) << szError;
    EXPECT_NE(szError.find("No such file"), std::string::npos) << szError;
    WriteBytes(folder.File("old.bmp"), Bytes{'B', 'M', 1, 2, 3});
    const std::string szTooLong = folder.File(std::string(300, 'a') + ".bmp");
    EXPECT_FALSE(ComposePicture(szTooLong.c_str(), picture, SAVE_FORMAT_BMP, nullptr, &szError));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"old.bmp"});
}

TEST(PictureSave, TheOverlayLandsOnPicturePixelsWhateverTheViewShows)
{
    CMeasureList list;
    list.AppendCopy(Length(DPOINT{10, 20}, DPOINT{50, 20}));
    CScaleData scale;
    scale.Visible = 1;
    scale.Pos = POINT{150, 100};
    scale.Size = SIZE{2, 2};
    scale.MppX = scale.MppY = 0.05; // 2 cm: 40 pixels
    CSaveOverlay overlay;
    overlay.pList = &list;
    overlay.pScale = &scale;
    overlay.style.clrLine = RED;
    overlay.style.clrText = CYAN;

    CDibImage plain = Black(160, 120);
    CDibImage composed;
    ASSERT_TRUE(ComposePicture(plain, &overlay, composed));
    // The line without its end point; the bar's end.
    for (int x = 10; x < 50; ++x)
        EXPECT_EQ(ColorAt(composed, x, 20), RED) << x;
    EXPECT_EQ(ColorAt(composed, 50, 20), 0u);
    EXPECT_EQ(ColorAt(composed, 149, 100), RED);
    // The label "1.23cm" below the middle of the line, in the text colour.
    int nText = 0;
    for (const auto& [x, y] : Painted(composed))
        nText += ColorAt(composed, x, y) == CYAN && x >= 30 && y >= 20 && y < 40 ? 1 : 0;
    EXPECT_GT(nText, 40);

    // The view's zoom, scroll, size and pointer play no part.
    for (double dZoom : {4.0, 0.37}) {
        overlay.style.sx = overlay.style.sy = dZoom;
        overlay.style.panX = -13;
        overlay.style.nDestWidth = 999;
        overlay.style.ptPointer = POINT{77, 5};
        CDibImage again;
        ASSERT_TRUE(ComposePicture(plain, &overlay, again));
        EXPECT_TRUE(std::equal(again.Bits(), again.Bits() + again.Stride() * again.Height(), composed.Bits()));
    }

    // Without measurements or a bar only the picture remains.
    CMeasureList none;
    scale.Visible = 0;
    overlay.pList = &none;
    ASSERT_TRUE(ComposePicture(plain, &overlay, composed));
    EXPECT_TRUE(Painted(composed).empty());
}

TEST(DibCanvas, LinesLeaveOutTheirEndAndAreClippedCheaply)
{
    CDibImage picture = Black(40, 30);
    CDibCanvas canvas(picture);
    canvas.SetPen(1, GREEN);
    canvas.MoveTo(2, 3);
    canvas.LineTo(12, 8);
    EXPECT_EQ(ColorAt(picture, 2, 3), GREEN);
    EXPECT_EQ(ColorAt(picture, 12, 8), 0u);
    EXPECT_EQ(Painted(picture).size(), 10u); // one pixel per column

    // Far outside on both sides: only the part in the picture is walked, the border
    // pixels included.
    picture = Black(40, 30);
    CDibCanvas wide(picture);
    wide.SetPen(1, GREEN);
    wide.MoveTo(-2000000000, 15);
    wide.LineTo(2000000000, 15);
    EXPECT_EQ(Painted(picture).size(), 40u);
    wide.MoveTo(-5, -5);
    wide.LineTo(-5, -5000);
    EXPECT_EQ(Painted(picture).size(), 40u);

    // A stroke of no length: nothing with a thin pen, a round dot with a wide one.
    picture = Black(40, 30);
    CDibCanvas dots(picture);
    dots.SetPen(1, GREEN);
    dots.MoveTo(5, 5);
    dots.LineTo(5, 5);
    EXPECT_TRUE(Painted(picture).empty());
    dots.SetPen(4, GREEN);
    dots.LineTo(5, 5);
    const auto dot = Painted(picture);
    EXPECT_EQ(dot.size(), 12u); // 4 x 4 without its corners
    EXPECT_TRUE(dot.count({3, 4}) && dot.count({6, 5}) && !dot.count({3, 3}) && !dot.count({6, 6}));
}

TEST(DibCanvas, EllipsesAreClosedSymmetricOutlines)
{
    CDibImage picture = Black(100, 100);
    CDibCanvas canvas(picture);
    canvas.SetPen(1, GREEN);
    canvas.Arc(RECT{20, 30, 80, 70}, POINT{20, 50}, POINT{20, 50});
    const auto outline = Painted(picture);
    for (const auto& [x, y] : outline) {
        // Mirrored across both axes of the ellipse, and linked to two neighbours.
        EXPECT_TRUE(outline.count({100 - x, y}) && outline.count({x, 100 - y})) << x << "," << y;
        int nNeighbours = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                nNeighbours += (dx != 0 || dy != 0) && outline.count({x + dx, y + dy}) ? 1 : 0;
        EXPECT_GE(nNeighbours, 2) << x << "," << y;
        const double e = (x - 50.0) * (x - 50.0) / 900 + (y - 50.0) * (y - 50.0) / 400;
        EXPECT_NEAR(e, 1.0, 0.1) << x << "," << y;
    }
    EXPECT_TRUE(outline.count({20, 50}) && outline.count({80, 50}) && outline.count({50, 30}) &&
                outline.count({50, 70}));

    // Half of a circle, counter-clockwise from the right to the left: its upper half.
    picture = Black(100, 100);
    CDibCanvas half(picture);
    half.SetPen(1, GREEN);
    half.Arc(RECT{30, 30, 70, 70}, POINT{90, 50}, POINT{10, 50});
    for (const auto& [x, y] : Painted(picture))
        EXPECT_LE(y, 50) << x << "," << y;
    EXPECT_EQ(ColorAt(picture, 50, 30), GREEN);

    // A huge circle costs only the picture's columns and rows.
    picture = Black(100, 100);
    CDibCanvas huge(picture);
    huge.SetPen(1, GREEN);
    huge.Arc(RECT{-2000000000, 50, 2000000000, 2000000000}, POINT{}, POINT{});
    EXPECT_FALSE(Painted(picture).empty());
}

TEST(DibCanvas, TextsUseTheLabelFont)
{
    CDibImage picture = Black(200, 30);
    CDibCanvas canvas(picture);
    canvas.SetTextColor(CYAN);
    canvas.TextOut(0, 0, "1");
    const auto one = Painted(picture);
    EXPECT_EQ(one.size(), 4u * 10); // the "1" has 10 dots of 2 x 2 pixels

    // The degree sign read from UTF-8; an unknown character is a box; nothing breaks
    // at the picture's edges.
    picture = Black(200, 30);
    CDibCanvas more(picture);
    more.SetTextColor(CYAN);
    more.TextOut(0, 0, "\xc2\xb0");
    EXPECT_EQ(Painted(picture).size(), 4u * 8);
    more.TextOut(-5, -7, "Q\xff" "12.5mm2");
    more.TextOut(190, 25, "90.0\xc2\xb0");
    EXPECT_EQ(ColorAt(picture, 199, 29), CYAN); // the right side of the "9"
    EXPECT_EQ(LabelGlyph(U'Q'), LabelGlyph(U'\uFFFD'));

    // A picture of another depth is left alone.
    CDibImage grey;
    ASSERT_TRUE(grey.Create(10, 10, 8));
    CDibCanvas greyCanvas(grey);
    greyCanvas.SetPen(1, GREEN);
    greyCanvas.MoveTo(0, 0);
    greyCanvas.LineTo(9, 9);
    EXPECT_EQ(*PixelAt(grey, 0, 0), 0);
}
