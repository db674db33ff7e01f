#include "app/calib/calib_entry.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/core/panel_faces.h"

#include <gtest/gtest.h>

#include <string>

TEST(MainWindowTemplate, PanelControlsSitAtTheirDistanceFromTheRightEdge)
{
    ASSERT_EQ(PanelRightOffsets().size(), 25u);
    for (const CPanelOffset& offset : PanelRightOffsets()) {
        const CControlTemplate* pControl = FindControlTemplate(offset.nId);
        ASSERT_NE(pControl, nullptr) << offset.nId;
        EXPECT_EQ(pControl->rc.right, MAIN_TEMPLATE_CLIENT.cx - offset.nFromRight) << offset.nId;
    }
}

TEST(MainWindowTemplate, ControlsFitTheWindowAndLeaveTheViewRoom)
{
    for (const CControlTemplate& control : MainWindowTemplate()) {
        EXPECT_FALSE(control.rc.IsEmpty()) << control.nId;
        EXPECT_GE(control.rc.left, 0) << control.nId;
        EXPECT_GE(control.rc.top, 0) << control.nId;
        EXPECT_LE(control.rc.right, MAIN_TEMPLATE_CLIENT.cx) << control.nId;
        EXPECT_LE(control.rc.bottom, MAIN_TEMPLATE_CLIENT.cy) << control.nId;
        if (control.kind == EControlKind::PanelButton) {
            EXPECT_EQ(control.rc.Width(), PANEL_FACE_SIZE.cx) << control.nId;
            EXPECT_EQ(control.rc.Height(), PANEL_FACE_SIZE.cy) << control.nId;
        }
    }
    // A 640 x 480 picture at x1 fits left of the panel (228) and above the strip (175).
    const RECT& view = FindControlTemplate(IDC_VIEW_FRAME)->rc;
    EXPECT_LE(view.left + 640, MAIN_TEMPLATE_CLIENT.cx - 228);
    EXPECT_LE(view.top + 480, MAIN_TEMPLATE_CLIENT.cy - 175);
    // The strip and its scroll bar end 12 pixels above the bottom, the strip toggle at it.
    EXPECT_EQ(FindControlTemplate(IDC_STRIP_GROUP)->rc.bottom, MAIN_TEMPLATE_CLIENT.cy - 12);
    EXPECT_EQ(FindControlTemplate(IDC_STRIP_SCROLL)->rc.bottom, MAIN_TEMPLATE_CLIENT.cy - 12);
    EXPECT_EQ(FindControlTemplate(IDC_STRIP_TOGGLE)->rc.bottom, MAIN_TEMPLATE_CLIENT.cy);
}

TEST(PanelFaces, CellsFollowStateAndEnabling)
{
    POINT cell;
    CPanelFaceState state;
    ASSERT_TRUE(PanelFaceCell(IDC_LIVE, state, cell));
    EXPECT_EQ(cell.x, 0);
    EXPECT_EQ(cell.y, 53);
    state.bFrozen = true;
    ASSERT_TRUE(PanelFaceCell(IDC_LIVE, state, cell));
    EXPECT_EQ(cell.x, 50);
    ASSERT_TRUE(PanelFaceCell(IDC_TYPE, state, cell));
    EXPECT_EQ(cell.x, 100);
    EXPECT_EQ(cell.y, 159);
    state.bSaveOverlay = true;
    state.bEnabled = false;
    ASSERT_TRUE(PanelFaceCell(IDC_TYPE, state, cell));
    EXPECT_EQ(cell.x, 350) << "disabled faces sit 200 pixels to the right";
    ASSERT_TRUE(PanelFaceCell(IDC_SCALE, CPanelFaceState{}, cell));
    EXPECT_EQ(cell.x, 0);
    EXPECT_EQ(cell.y, 264);
    ASSERT_TRUE(PanelFaceCell(IDC_WB, CPanelFaceState{}, cell));
    EXPECT_EQ(cell.x, 150);
    EXPECT_EQ(cell.y, 211);
    EXPECT_FALSE(PanelFaceCell(IDC_ZOOM, CPanelFaceState{}, cell));

    // Every panel button of the template has a face inside the 400 x 318 sheet.
    for (const CControlTemplate& control : MainWindowTemplate()) {
        if (control.kind != EControlKind::PanelButton)
            continue;
        CPanelFaceState disabled;
        disabled.bEnabled = false;
        ASSERT_TRUE(PanelFaceCell(control.nId, disabled, cell)) << control.nId;
        EXPECT_LE(cell.x + PANEL_FACE_SIZE.cx, 400) << control.nId;
        EXPECT_LE(cell.y + PANEL_FACE_SIZE.cy, 318) << control.nId;
    }
}

TEST(PanelFaces, TogglesAndTools)
{
    POINT cell;
    ASSERT_TRUE(ToggleFaceCell(IDC_PANEL_TOGGLE, true, false, cell));
    EXPECT_EQ(cell.x, 0);
    ASSERT_TRUE(ToggleFaceCell(IDC_PANEL_TOGGLE, false, true, cell));
    EXPECT_EQ(cell.x, 13);
    ASSERT_TRUE(ToggleFaceCell(IDC_STRIP_TOGGLE, false, true, cell));
    EXPECT_EQ(cell.x, 26);
    ASSERT_TRUE(ToggleFaceCell(IDC_STRIP_TOGGLE, true, false, cell));
    EXPECT_EQ(cell.x, 39);
    EXPECT_FALSE(ToggleFaceCell(IDC_LIVE, true, true, cell));

    EXPECT_EQ(ToolOfButton(IDC_LINE), 1);
    EXPECT_EQ(ToolOfButton(IDC_ARIA), 2);
    EXPECT_EQ(ToolOfButton(IDC_ANGLE), 6);
    EXPECT_EQ(ToolOfButton(IDC_SAVE), 0);
}

TEST(CalibList, DefaultEntriesAreNamedPerLanguageAndGiveHalfMillimetrePerPixel)
{
    g_bJapanese = 0;
    CCalibList list = MakeDefaultCalibList();
    EXPECT_STREQ(list[0].m_szName, "Data1");
    EXPECT_STREQ(list[9].m_szName, "Data10");
    for (CCalibEntry& entry : list) {
        entry.RecalcPixelSize();
        EXPECT_DOUBLE_EQ(entry.m_dMppX, 0.05);
        EXPECT_DOUBLE_EQ(entry.m_dMppY, 0.05);
        EXPECT_EQ(entry.m_nUnit, 0);
    }
    EXPECT_EQ(list[3].m_nNo, 3);

    g_bJapanese = 1;
    EXPECT_EQ(std::string(MakeDefaultCalibList()[1].m_szName), "校正値2");
    g_bJapanese = 0;
}

TEST(CalibList, ZeroExtentKeepsThePreviousFactor)
{
    CCalibEntry entry;
    entry.m_dMppX = 0.5;
    entry.m_dMppY = 0.25;
    entry.m_dRight = entry.m_dLeft;
    entry.m_dBottom = 100.0;
    entry.RecalcPixelSize();
    EXPECT_DOUBLE_EQ(entry.m_dMppX, 0.5);
    EXPECT_DOUBLE_EQ(entry.m_dMppY, 0.1);
}
