// The measuring tools driven by the mouse, the recalculation on a calibration change,
// and the overlay drawn through a recording canvas.
#include "app/calib/results_table.h"
#include "app/measure/measure_mouse.h"
#include "app/measure/measure_overlay.h"
#include "app/measure/measure_recalc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tools over a list, with results rows in the unit of the calibration entry.
class MeasureMouse : public ::testing::Test {
protected:
    MeasureMouse()
    {
        m_Calib.m_dMppX = 0.01;
        m_Calib.m_dMppY = 0.01;
        m_Env.pCalib = &m_Calib;
        m_Env.nPictureWidth = 640;
        m_Env.nPictureHeight = 480;
        m_Env.dTolerance = 10;
    }

    // A left click (press and release) at p.
    void Click(double x, double y)
    {
        m_Mouse.OnLButtonDown(DPOINT{x, y}, false);
        m_Mouse.OnLButtonUp(DPOINT{x, y}, m_Env);
    }
    // A right-button drag from a to b.
    void Drag(DPOINT a, DPOINT b)
    {
        m_Mouse.OnRButtonDown(a, m_Env);
        m_Mouse.OnMouseMove(b, m_Env);
    }
    const std::string& Value(int nRow) const { return m_Rows.Rows()[static_cast<std::size_t>(nRow)].text.szValue; }
    MeasureItem& Item(int n) { return *m_State.m_MeasureList.Seek(n); }

    CCalibEntry m_Calib;
    CMeasureEnv m_Env;
    CMeasureState m_State;
    CResultsTable m_Rows{[this] { return m_Calib.m_nUnit; }, false};
    CMeasureMouse m_Mouse{m_State, m_Rows};
};

// Draws into a list of calls.
class CRecordingCanvas : public IMeasureCanvas {
public:
    void SetPen(int nWidth, COLORREF) override { Add("Pen " + std::to_string(nWidth)); }
    void SetTextColor(COLORREF) override {}
    void MoveTo(int x, int y) override { Add("MoveTo " + Xy(x, y)); }
    void LineTo(int x, int y) override { Add("LineTo " + Xy(x, y)); }
    void Arc(const RECT& rc, POINT a, POINT b) override
    {
        Add("Arc " + Xy(rc.left, rc.top) + " " + Xy(rc.right, rc.bottom) + " " + Xy(a.x, a.y) + " " + Xy(b.x, b.y));
    }
    void TextOut(int x, int y, const std::string& szText) override { Add("Text " + Xy(x, y) + " " + szText); }

    std::vector<std::string> m_Calls;
    bool Has(const std::string& call) const
    {
        for (const std::string& c : m_Calls) {
            if (c == call)
                return true;
        }
        return false;
    }

private:
    static std::string Xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    void Add(std::string call) { m_Calls.push_back(std::move(call)); }
};

} // namespace

TEST_F(MeasureMouse, LinePressAndReleaseMakeOneLengthAndEndTheTool)
{
    m_Mouse.SelectTool(TOOL_LINE);
    m_Mouse.OnLButtonDown(DPOINT{10, 10}, true);
    EXPECT_TRUE(m_Mouse.IsEntering());
    const CMeasureAnswer answer = m_Mouse.OnLButtonUp(DPOINT{110, 10}, m_Env);
    EXPECT_TRUE(answer.bRepaint);
    ASSERT_EQ(m_State.m_MeasureList.Count(), 1);
    EXPECT_EQ(Item(0).Type, -TOOL_LINE);
    EXPECT_EQ(m_State.m_CurMeasure.Type, TOOL_NONE);
    ASSERT_EQ(m_Rows.Rows().size(), 1u);
    EXPECT_EQ(m_Rows.Rows()[0].text.szType, "Length");
    EXPECT_EQ(Value(0), "1.00");

    m_Mouse.SelectTool(TOOL_LINE);
    Click(50, 50);
    EXPECT_EQ(Value(1), "0.00") << "a click without moving gives a zero length";
}

TEST_F(MeasureMouse, PerpendicularsShareTheBaseLineUntilARightRelease)
{
    m_Mouse.SelectTool(TOOL_SUI);
    Click(0, 100);
    Click(200, 100);
    EXPECT_EQ(m_State.m_MeasureList.Count(), 0);
    Click(20, 130);
    Click(50, 160);
    Click(80, 40);
    ASSERT_EQ(m_State.m_MeasureList.Count(), 3);
    EXPECT_TRUE(m_Mouse.IsEntering()) << "the tool stays for further points";
    EXPECT_EQ(Value(0), "0.30");
    EXPECT_EQ(Value(1), "0.60");
    EXPECT_EQ(Value(2), "0.60");
    EXPECT_EQ(m_Rows.Rows()[2].text.szType, "Length");
    EXPECT_EQ(Item(2).Points[3].x, 80.0) << "the foot on the horizontal base line";
    m_Mouse.OnRButtonDown(DPOINT{500, 500}, m_Env);
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_FALSE(m_Mouse.IsEntering());

    // A right press on the shared base point takes the first item: all three follow.
    Drag(DPOINT{0, 100}, DPOINT{0, 90});
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_EQ(Item(0).Points[0].y, 90.0);
    EXPECT_EQ(Item(2).Points[0].y, 90.0);

    // Dragging the second item's base point moves it for the second and third only.
    m_State.m_pDragItem = &Item(1);
    m_State.m_nDragIndex = 0;
    m_State.m_nDragHit = CMeasureHit::HIT_POINT;
    m_State.m_bMeasureDrag = 1;
    m_Mouse.OnMouseMove(DPOINT{0, 80}, m_Env);
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_EQ(Item(0).Points[0].y, 90.0);
    EXPECT_EQ(Item(1).Points[0].y, 80.0);
    EXPECT_EQ(Item(2).Points[0].y, 80.0);
    EXPECT_NE(Value(1), "0.60") << "the moved members' rows follow";
}

TEST_F(MeasureMouse, TwoCirclesGiveThreeRowsAndACircumferenceDragChangesOnlyTheRadius)
{
    m_Mouse.SelectTool(TOOL_CIRCLE2);
    for (DPOINT p : {DPOINT{90, 100}, DPOINT{100, 90}, DPOINT{110, 100}, DPOINT{290, 300}, DPOINT{300, 290}})
        Click(p.x, p.y);
    EXPECT_EQ(m_State.m_MeasureList.Count(), 0);
    Click(310, 300);
    ASSERT_EQ(m_Rows.Rows().size(), 3u);
    EXPECT_EQ(m_Rows.Rows()[2].text.szType, "Circle distance");
    EXPECT_EQ(m_Rows.Rows()[2].pItem, m_Rows.Rows()[0].pItem);
    EXPECT_EQ(Value(0), "0.20");

    // Grab circle 1 on its circumference (radius 10 around (100, 100)) and pull it to 15.
    const CMeasureAnswer grab = m_Mouse.OnRButtonDown(DPOINT{110, 101}, m_Env);
    EXPECT_EQ(grab.cursor, EMeasureCursor::SizeWE);
    m_Mouse.OnMouseMove(DPOINT{100, 115}, m_Env);
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_DOUBLE_EQ(Item(0).Radius[0], 15.0);
    EXPECT_EQ(Value(0), "0.30");
    EXPECT_EQ(Value(1), "0.20");
    EXPECT_EQ(Item(0).Points[2].x, 110.0) << "the entered points stay";
    EXPECT_EQ(Item(0).Center[0].x, 100.0);

    // Its centre moved: the distance follows.
    Drag(DPOINT{100, 100}, DPOINT{100, 200});
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_EQ(Value(2), std::string("2.24"));
}

TEST_F(MeasureMouse, APolygonIsClosedByADoubleClickAndCountedAgainAtTheRelease)
{
    m_Mouse.SelectTool(TOOL_ARIA);
    for (DPOINT p : {DPOINT{0, 0}, DPOINT{10, 0}, DPOINT{10, 10}, DPOINT{0, 10}})
        Click(p.x, p.y);
    m_Mouse.OnLButtonDblClk(m_Env);
    ASSERT_EQ(m_State.m_MeasureList.Count(), 1);
    EXPECT_EQ(Value(0), "0.01");
    EXPECT_EQ(m_Rows.Rows()[0].text.szUnit, "cm2");
    // The release after the double click adds nothing: the tool has ended.
    m_Mouse.OnLButtonUp(DPOINT{0, 10}, m_Env);
    EXPECT_EQ(Item(0).PointCount, 4);

    Drag(DPOINT{10, 10}, DPOINT{100, 100});
    EXPECT_EQ(Value(0), "0.01") << "the area waits for the release";
    m_Mouse.OnRButtonUp(m_Env);
    EXPECT_NE(Value(0), "0.01");
    EXPECT_EQ(m_State.m_pDragItem, nullptr);
}

TEST_F(MeasureMouse, ToleranceCursorsAndPanningFollowTheView)
{
    EXPECT_DOUBLE_EQ(HitTolerance(3, 640, 640), 2.5) << "x4";
    EXPECT_DOUBLE_EQ(HitTolerance(0, 320, 640), 20.0) << "fitted, 640 wide in 320";
    EXPECT_DOUBLE_EQ(HitTolerance(1, 640, 640), 10.0);

    const DPOINT c{100, 100};
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{100, 50}), EMeasureCursor::Unchanged) << "same x";
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{150, 99}), EMeasureCursor::SizeWE);
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{150, 50}), EMeasureCursor::SizeNESW) << "45 degrees up right";
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{99, 50}), EMeasureCursor::SizeNS);
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{50, 50}), EMeasureCursor::SizeNWSE);
    EXPECT_EQ(CircumferenceCursor(c, DPOINT{50, 150}), EMeasureCursor::SizeNESW) << "the opposite sector";

    // A left press pans a magnified view, except with the line tool.
    EXPECT_TRUE(m_Mouse.OnLButtonDown(DPOINT{5, 5}, true).bStartPan);
    EXPECT_FALSE(m_Mouse.OnLButtonDown(DPOINT{5, 5}, false).bStartPan);
    m_Mouse.SelectTool(TOOL_LINE);
    EXPECT_FALSE(m_Mouse.OnLButtonDown(DPOINT{5, 5}, true).bStartPan);
    m_Mouse.SelectTool(TOOL_ANGLE);
    EXPECT_TRUE(m_Mouse.OnLButtonDown(DPOINT{5, 5}, true).bStartPan) << "other tools pan too";
    m_Mouse.SelectTool(TOOL_NONE);
    EXPECT_EQ(m_Mouse.OnMouseMove(DPOINT{5, 5}, m_Env).cursor, EMeasureCursor::Arrow);
}

TEST_F(MeasureMouse, ACalibrationChangeRecalculatesEveryResultButAngles)
{
    m_Calib.m_dMppX = m_Calib.m_dMppY = 0.05;
    m_Mouse.SelectTool(TOOL_LINE);
    m_Mouse.OnLButtonDown(DPOINT{0, 0}, false);
    m_Mouse.OnLButtonUp(DPOINT{100, 0}, m_Env);
    m_Mouse.SelectTool(TOOL_ANGLE);
    Click(100, 0);
    Click(0, 0);
    Click(0, 100);
    ASSERT_EQ(m_Rows.Rows().size(), 2u);
    EXPECT_EQ(Value(0), "5.00");
    EXPECT_EQ(m_Rows.Rows()[0].text.szUnit, "cm");

    m_Calib.m_dMppX = m_Calib.m_dMppY = 0.5;
    m_Calib.m_nUnit = UNIT_MM;
    RecalcMeasurements(m_State.m_MeasureList, m_Rows, m_Calib, 640, 480);
    EXPECT_EQ(Value(0), "50.000");
    EXPECT_EQ(m_Rows.Rows()[0].text.szUnit, "mm");
    EXPECT_EQ(Value(1), "90.0");
    EXPECT_EQ(Item(1).Unit, UNIT_CM) << "an angle keeps its unit";
}

TEST(MeasureOverlay, LabelsSitAtTheirAnchorsInTheUnitsFormat)
{
    CMeasureList list;
    MeasureItem length;
    length.Type = -TOOL_LINE;
    length.PointCount = 2;
    length.Points.Set(0, DPOINT{10, 10});
    length.Points.Set(1, DPOINT{110, 10});
    length.Value[0] = 1.0;
    list.AppendCopy(length);
    MeasureItem angle;
    angle.Type = -TOOL_ANGLE;
    angle.PointCount = 3;
    angle.Points.Set(0, DPOINT{30, 0});
    angle.Points.Set(1, DPOINT{0, 0});
    angle.Points.Set(2, DPOINT{0, 30});
    angle.Value[0] = 90.0;
    list.AppendCopy(angle);

    COverlayView view; // a saved picture: zoom 1, no scroll
    view.nDestWidth = 640;
    view.nDestHeight = 480;
    CRecordingCanvas canvas;
    DrawMeasurements(canvas, list, view);
    EXPECT_TRUE(canvas.Has("MoveTo 10,10"));
    EXPECT_TRUE(canvas.Has("LineTo 110,10"));
    EXPECT_TRUE(canvas.Has("Text 60,10 1.00cm"));
    EXPECT_TRUE(canvas.Has("Text 10,10 90.0degree"));
    view.bJapanese = true;
    CRecordingCanvas japanese;
    DrawMeasurements(japanese, list, view);
    EXPECT_TRUE(japanese.Has("Text 10,10 90.0°"));
}

TEST(MeasureOverlay, ShapesFollowTheScaleAndTheItemBeingEnteredFollowsThePointer)
{
    CMeasureList list;
    MeasureItem circle;
    circle.Type = -TOOL_CIRCLE;
    circle.PointCount = 3;
    circle.Points.Reset(3);
    circle.Center[0] = DPOINT{100, 100};
    circle.Radius[0] = 10;
    circle.Unit = UNIT_MM;
    circle.Value[0] = 0.2;
    list.AppendCopy(circle);
    MeasureItem polygon;
    polygon.Type = -TOOL_ARIA;
    polygon.PointCount = 3;
    polygon.Points.Set(0, DPOINT{0, 0});
    polygon.Points.Set(1, DPOINT{30, 0});
    polygon.Points.Set(2, DPOINT{0, 30});
    polygon.Value[1] = 1.5;
    list.AppendCopy(polygon);
    MeasureItem perpendicular;
    perpendicular.Type = -TOOL_SUI;
    perpendicular.PointCount = 3;
    perpendicular.Points.Set(0, DPOINT{0, 50});
    perpendicular.Points.Set(1, DPOINT{100, 50});
    perpendicular.Points.Set(2, DPOINT{40, 90});
    MeasureItem* pPerpendicular = list.AppendCopy(perpendicular);

    // Fitted into a view of another aspect: the circle becomes an ellipse.
    COverlayView view;
    view.nDestWidth = 320;
    view.nDestHeight = 480;
    view.sx = 0.5;
    view.sy = 1.0;
    CRecordingCanvas canvas;
    DrawMeasurements(canvas, list, view);
    EXPECT_TRUE(canvas.Has("Arc 45,90 55,110 45,100 45,100"));
    EXPECT_TRUE(canvas.Has("Text 50,100 0.200mm"));
    EXPECT_TRUE(canvas.Has("Text 5,30 1.50cm2")) << "the polygon's label 20 pixels below its points' mean";
    EXPECT_TRUE(canvas.Has("LineTo 0,0")) << "the polygon is closed";
    EXPECT_EQ(pPerpendicular->Points[3].x, 40.0) << "the foot is stored when drawn";
    EXPECT_EQ(pPerpendicular->Points[3].y, 50.0);
    EXPECT_TRUE(canvas.Has("Pen 4")) << "dots on the base points";
    EXPECT_TRUE(canvas.Has("LineTo 320,50")) << "a horizontal base line across the view";

    // A circle with two points is drawn through the pointer; its points show as crosses.
    MeasureItem entering;
    SelectTool(entering, TOOL_CIRCLE);
    entering.Points.Set(0, DPOINT{0, 10});
    entering.Points.Set(1, DPOINT{10, 0});
    entering.PointCount = 2;
    COverlayView x1;
    x1.ptPointer = POINT{20, 10};
    CRecordingCanvas current;
    DrawCurrentMeasure(current, entering, x1);
    EXPECT_TRUE(current.Has("Arc 0,0 20,20 0,10 0,10"));
    EXPECT_TRUE(current.Has("MoveTo -3,10")) << "a cross at the first point";
}
