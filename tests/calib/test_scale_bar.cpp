// The scale bar: its placement by the dialog's position choice, its drawing through a
// recording canvas, its drag in the view, and the dialog's integer fields.
#include "app/calib/scale_bar.h"
#include "app/measure/dpoint.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Draws into a list of calls.
class CRecordingCanvas : public IMeasureCanvas {
public:
    void SetPen(int nWidth, COLORREF color) override
    {
        Add("Pen " + std::to_string(nWidth) + " " + std::to_string(color));
    }
    void SetTextColor(COLORREF color) override { Add("TextColor " + std::to_string(color)); }
    void MoveTo(int x, int y) override { Add("MoveTo " + Xy(x, y)); }
    void LineTo(int x, int y) override { Add("LineTo " + Xy(x, y)); }
    void Arc(const RECT&, POINT, POINT) override { Add("Arc"); }
    void TextOut(int x, int y, const std::string& szText) override { Add("Text " + Xy(x, y) + " " + szText); }

    std::vector<std::string> m_Calls;

private:
    static std::string Xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    void Add(std::string call) { m_Calls.push_back(std::move(call)); }
};

constexpr COLORREF LINE = RGB(0, 255, 0);
constexpr COLORREF TEXT = RGB(0, 255, 255);

// A visible bar of 10 x 10 mm at 0.0625 mm per pixel: 160 pixels each way.
CScaleData Bar(int nType)
{
    CScaleData data;
    data.Visible = 1;
    data.Type = nType;
    data.Unit = 1; // mm
    data.MppX = 0.0625;
    data.MppY = 0.0625;
    return data;
}

std::vector<std::string> Drawn(const CScaleData& data, double sx = 1, double sy = 1, double ox = 0, double oy = 0)
{
    CRecordingCanvas canvas;
    DrawScaleBar(canvas, data, sx, sy, ox, oy, LINE, TEXT);
    return canvas.m_Calls;
}

bool Has(const std::vector<std::string>& calls, const std::string& call)
{
    for (const std::string& c : calls) {
        if (c == call)
            return true;
    }
    return false;
}

} // namespace

TEST(ScaleBarPlacement, CornersKeepTheOuterEnd50PixelsFromTheEdgesLengthsTruncatedTowardZero)
{
    const struct {
        int nPosition;
        LONG x, y;
    } cases[] = {
        {SCALE_POS_UPPER_LEFT, 210, 210}, {SCALE_POS_LOWER_LEFT, 210, 430}, {SCALE_POS_UPPER_RIGHT, 590, 210},
        {SCALE_POS_LOWER_RIGHT, 590, 430}, {SCALE_POS_CENTER, 320, 240},
    };
    for (const auto& c : cases) {
        CScaleData data = Bar(SCALE_TYPE_XY);
        ASSERT_TRUE(PlaceScaleBar(data, c.nPosition, 10, 10, 640, 480)) << c.nPosition;
        EXPECT_EQ(data.Pos.x, c.x) << c.nPosition;
        EXPECT_EQ(data.Pos.y, c.y) << c.nPosition;
    }

    CScaleData data = Bar(SCALE_TYPE_X);
    data.MppX = data.MppY = 0.3; // 10 / 0.3 = 33.3 pixels, -1 / 0.3 = -3.3
    ASSERT_TRUE(PlaceScaleBar(data, SCALE_POS_UPPER_LEFT, 10, -1, 640, 480));
    EXPECT_EQ(data.Pos.x, 83);
    EXPECT_EQ(data.Pos.y, 47) << "toward zero, not down";
    EXPECT_EQ(data.Size.cx, 10);
    EXPECT_EQ(data.Size.cy, -1);
    // Lower right and the centre need no length, so a zero factor does not matter there.
    data.MppX = data.MppY = 0;
    ASSERT_TRUE(PlaceScaleBar(data, SCALE_POS_LOWER_RIGHT, 123, 7, 640, 480));
    EXPECT_EQ(data.Pos.x, 590);
    ASSERT_TRUE(PlaceScaleBar(data, SCALE_POS_CENTER, 1, 1, 641, 481));
    EXPECT_EQ(data.Pos.x, 320);
}

TEST(ScaleBarPlacement, UnknownChoiceOrZeroFactorChangesNothing)
{
    CScaleData data = Bar(SCALE_TYPE_X);
    data.MppY = 0;
    const CScaleData before = data;
    EXPECT_FALSE(PlaceScaleBar(data, 5, 20, 20, 640, 480));
    EXPECT_FALSE(PlaceScaleBar(data, -1, 20, 20, 640, 480));
    EXPECT_FALSE(PlaceScaleBar(data, SCALE_POS_UPPER_RIGHT, 20, 20, 640, 480));
    EXPECT_EQ(data, before);
}

TEST(ScaleBarDrawing, XyBarHasTheArmAndNoCornerTick)
{
    CScaleData data = Bar(SCALE_TYPE_XY);
    ASSERT_TRUE(PlaceScaleBar(data, SCALE_POS_UPPER_LEFT, 10, 10, 640, 480));
    const std::vector<std::string> expected = {
        "Pen 1 65280",     "TextColor 16776960", // solid, one pixel, in the two colours
        "MoveTo 210,210",  "LineTo 50,210",      // the bar
        "MoveTo 50,205",   "LineTo 50,215",      // its left tick
        "Text 100,225 10.00mm",                  // 30 left of the middle (130), 15 below
        "MoveTo 210,210",  "LineTo 210,50",      // the arm
        "MoveTo 205,50",   "LineTo 215,50",      // its tick
    };
    EXPECT_EQ(Drawn(data), expected);
}

TEST(ScaleBarDrawing, XBarHasTicksAtBothEndsAndNoArm)
{
    CScaleData data = Bar(SCALE_TYPE_X);
    data.Pos = POINT{210, 210};
    data.MppY = 0; // no arm, so the vertical factor does not matter
    const std::vector<std::string> calls = Drawn(data);
    EXPECT_TRUE(Has(calls, "MoveTo 50,205") && Has(calls, "LineTo 50,215"));
    EXPECT_TRUE(Has(calls, "MoveTo 210,205") && Has(calls, "LineTo 210,215"));
    EXPECT_EQ(calls.size(), 9u) << "no arm";
}

TEST(ScaleBarDrawing, PositionsAreScaledShiftedAndTruncatedTowardZero)
{
    CScaleData data = Bar(SCALE_TYPE_X);
    data.Pos = POINT{210, 210};
    data.Unit = 2;
    // x: (p - 100.5) * 2; y: (p - 0.25) * 0.5.
    const std::vector<std::string> calls = Drawn(data, 2, 0.5, -100.5, -0.25);
    EXPECT_EQ(calls[2], "MoveTo 219,104");
    EXPECT_EQ(calls[3], "LineTo -101,104");
    EXPECT_TRUE(Has(calls, "Text -1,112 10.00um"));
    // The label's x, (100 - 100.25) * 1 = -0.25, truncates to 0.
    EXPECT_TRUE(Has(Drawn(data, 1, 1, -100.25, 0), "Text 0,225 10.00um"));
}

TEST(ScaleBarDrawing, HiddenOrWithoutAFiniteLengthDrawsNothing)
{
    CScaleData hidden = Bar(SCALE_TYPE_XY);
    hidden.Visible = 0;
    CScaleData noX = Bar(SCALE_TYPE_XY);
    noX.MppX = 0;
    CScaleData noArm = Bar(SCALE_TYPE_XY);
    noArm.MppY = 0;
    CScaleData zeroOverZero = Bar(SCALE_TYPE_X);
    zeroOverZero.Size.cx = 0;
    zeroOverZero.MppX = 0;
    // Finite but beyond the integer range: nothing rather than a wrapped line.
    CScaleData huge = Bar(SCALE_TYPE_X);
    huge.MppX = 1e-300;
    for (const CScaleData& data : {hidden, noX, noArm, zeroOverZero, huge})
        EXPECT_TRUE(Drawn(data).empty());
}

TEST(ScaleBarDrag, GrabKeepsTheOffsetAlongTheGrabbedPartAndFollowsTheMouseAcross)
{
    CScaleData data = Bar(SCALE_TYPE_XY);
    data.Pos = POINT{210, 210}; // bar x 50..210, arm y 50..210
    ASSERT_TRUE(BeginScaleDrag(data, 100.7, 213.9));
    EXPECT_TRUE(data.bDrag);
    MoveScaleDrag(data, 150.9, 300.2);
    EXPECT_EQ(data.Pos.x, 260); // 150 + 110: the grab offset kept
    EXPECT_EQ(data.Pos.y, 300); // on the mouse's row
    EndScaleDrag(data);
    MoveScaleDrag(data, 0, 0);
    EXPECT_EQ(data.Pos.x, 260) << "no drag, no move";

    data.Pos = POINT{210, 210};
    ASSERT_TRUE(BeginScaleDrag(data, 206.5, 100.5));
    MoveScaleDrag(data, 400.3, 120.8);
    EXPECT_EQ(data.Pos.x, 400); // on the mouse's column
    EXPECT_EQ(data.Pos.y, 230); // 120 + 110
}

TEST(ScaleBarDrag, PressesOffTheBarAreNotTaken)
{
    CScaleData data = Bar(SCALE_TYPE_XY);
    data.Pos = POINT{210, 210};
    // The limits are strict: the ends, 5 pixels off the line, and the arm's ends.
    for (const auto& p : {DPOINT{210, 210}, DPOINT{50, 210}, DPOINT{100, 205}, DPOINT{100, 215}, DPOINT{205, 100},
                          DPOINT{215, 100}, DPOINT{208, 50}})
        EXPECT_FALSE(BeginScaleDrag(data, p.x, p.y)) << p.x << "," << p.y;
    data.Type = SCALE_TYPE_X;
    EXPECT_FALSE(BeginScaleDrag(data, 208, 100)) << "no arm";
    data.Visible = 0;
    EXPECT_FALSE(BeginScaleDrag(data, 100, 210)) << "hidden";
    // Without a finite length there is no bar: a press far left is not on it.
    data = Bar(SCALE_TYPE_XY);
    data.MppX = data.MppY = 0;
    EXPECT_FALSE(BeginScaleDrag(data, -100000, data.Pos.y));
    EXPECT_FALSE(BeginScaleDrag(data, data.Pos.x, -100000));
    EXPECT_FALSE(data.bDrag);
}

TEST(ScaleDialogFields, OnlyWholeIntegersParse)
{
    int n = 99;
    for (const auto& [szText, nExpected] : {std::pair{"12", 12}, {" -3 ", -3}, {"+7", 7}, {"2147483647", 2147483647}}) {
        ASSERT_TRUE(ParseScaleInt(szText, n)) << szText;
        EXPECT_EQ(n, nExpected);
    }
    n = 99;
    for (const char* szText : {"", " ", "1.5", "12a", "1,000", "+-5", "-", "2147483648", "0x10"})
        EXPECT_FALSE(ParseScaleInt(szText, n)) << '"' << szText << '"';
    EXPECT_EQ(n, 99);
}
