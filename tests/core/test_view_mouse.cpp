// The order of the drags in the picture view: calibration handles, measuring tools,
// panning.
#include "app/calib/results_table.h"
#include "app/shell/core/view_mouse.h"

#include <gtest/gtest.h>

namespace {

// A 640 x 480 picture at x4 in a 400 x 300 view at (10, 20), scrolled by (-100, -50):
// picture x 100..200 and y 50..125 are in view.
class ViewMouse : public ::testing::Test {
protected:
    ViewMouse()
    {
        m_View.rcView = RECT{10, 20, 410, 320};
        m_View.nZoom = 3;
        m_View.offsets = CScrollOffsets{-100, -50};
        m_Env.pView = &m_View;
        m_Env.nPictureWidth = 640;
        m_Env.nPictureHeight = 480;
        m_Env.pCalib = &m_Calib;
        m_Env.pScale = &m_Scale;
        m_Calib.RecalcPixelSize();
    }
    // The client point showing picture point (x, y).
    static POINT At(double x, double y)
    {
        return POINT{static_cast<LONG>(10 + (x - 100) * 4), static_cast<LONG>(20 + (y - 50) * 4)};
    }

    CViewGeometry m_View;
    CCalibEntry m_Calib;
    CScaleData m_Scale; // hidden
    CViewMouseEnv m_Env;
    CMeasureState m_State;
    CResultsTable m_Rows{[] { return UNIT_CM; }, false};
    CMeasureMouse m_Measure{m_State, m_Rows};
    CViewMouse m_Mouse{m_Measure};
};

} // namespace

TEST_F(ViewMouse, APressPansAMagnifiedViewButNotWhileAToolIsEntering)
{
    EXPECT_EQ(CViewMouse::ToImage(At(120, 60), m_Env).x, 120.0);
    m_Mouse.OnLButtonDown(At(120, 60), m_Env);
    EXPECT_TRUE(m_Mouse.IsPanning());
    CViewMouseAnswer answer = m_Mouse.OnMouseMove(At(110, 60), m_Env);
    EXPECT_TRUE(answer.bViewMoved);
    EXPECT_EQ(answer.cursor, EViewCursor::Pan);
    EXPECT_DOUBLE_EQ(m_View.offsets.x, -110.0);
    m_Mouse.OnLButtonUp(At(110, 60), m_Env);
    EXPECT_FALSE(m_Mouse.IsPanning());

    // With the polygon tool a press starts a pan too, but the view does not move.
    m_Measure.SelectTool(TOOL_ARIA);
    m_Mouse.OnLButtonDown(At(120, 60), m_Env);
    answer = m_Mouse.OnMouseMove(At(100, 60), m_Env);
    EXPECT_FALSE(answer.bViewMoved);
    EXPECT_TRUE(answer.bRepaint) << "the polygon follows the pointer";
    EXPECT_DOUBLE_EQ(m_View.offsets.x, -110.0);
    m_Mouse.OnLButtonUp(At(100, 60), m_Env);
    EXPECT_EQ(m_State.m_CurMeasure.PointCount, 1);

    // Outside the view a press starts nothing; a release still adds a point.
    m_Mouse.OnLButtonDown(POINT{5, 5}, m_Env);
    EXPECT_FALSE(m_Mouse.IsPanning());
    m_Mouse.OnLButtonUp(POINT{5, 5}, m_Env);
    EXPECT_EQ(m_State.m_CurMeasure.PointCount, 2);
}

TEST_F(ViewMouse, CalibrationHandlesComeFirstWhileTheDialogIsOpen)
{
    m_Calib.m_dLeft = 120;
    m_Calib.m_dTop = 60;
    m_Calib.m_dRight = 180;
    m_Calib.m_dBottom = 100;
    m_Measure.SelectTool(TOOL_LINE);
    m_Env.bCalibDialogOpen = true;
    CViewMouseAnswer answer = m_Mouse.OnLButtonDown(At(180, 80), m_Env); // the right edge's handle
    EXPECT_EQ(answer.cursor, EViewCursor::SizeWE);
    EXPECT_EQ(m_State.m_CurMeasure.PointCount, 0) << "the line tool got no point";
    m_Measure.SelectTool(TOOL_NONE);
    answer = m_Mouse.OnMouseMove(At(190, 80), m_Env);
    EXPECT_TRUE(answer.bCalibMoved);
    EXPECT_EQ(m_Calib.m_dRight, 190.0);
    EXPECT_EQ(m_Calib.m_dLeft, 110.0);
    m_Mouse.OnLButtonUp(At(190, 80), m_Env);
    EXPECT_EQ(m_Calib.m_nDragMode, CALDRAG_NONE);

    // Closed, the same press is an ordinary one.
    m_Env.bCalibDialogOpen = false;
    m_Mouse.OnLButtonDown(At(190, 80), m_Env);
    EXPECT_EQ(m_Calib.m_nDragMode, CALDRAG_NONE);
    EXPECT_TRUE(m_Mouse.IsPanning());
}

TEST_F(ViewMouse, AShownScaleBarIsTakenBeforeTheTools)
{
    m_Scale.Visible = 1;
    m_Scale.Pos = POINT{150, 100};
    m_Scale.Size = SIZE{10, 10};
    m_Scale.MppX = m_Scale.MppY = 1.0; // a bar from x 140 to 150 at y 100
    m_Measure.SelectTool(TOOL_LINE);
    EXPECT_EQ(m_Mouse.OnLButtonDown(At(145, 100), m_Env).cursor, EViewCursor::SizeAll);
    EXPECT_EQ(m_State.m_CurMeasure.PointCount, 0) << "the line tool got no point";
    m_Measure.SelectTool(TOOL_NONE);
    const CViewMouseAnswer answer = m_Mouse.OnMouseMove(At(147, 110), m_Env);
    EXPECT_TRUE(answer.bScaleMoved);
    EXPECT_EQ(m_Scale.Pos.x, 152) << "the grab offset stays";
    EXPECT_EQ(m_Scale.Pos.y, 110) << "the bar comes onto the pointer's row";
    m_Mouse.OnLButtonUp(At(147, 110), m_Env);
    EXPECT_FALSE(m_Scale.bDrag);
}
