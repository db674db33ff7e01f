// The reference rectangle's handles, the calibration dialog's rules and the rows a
// measurement shows in the results list.
#include "app/calib/calib_drag.h"
#include "app/calib/calib_edit.h"
#include "app/calib/result_rows.h"
#include "app/calib/results_table.h"
#include "app/measure/measure_geometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CCalibEntry EntryWithRect(double dLeft, double dTop, double dRight, double dBottom)
{
    CCalibEntry entry;
    entry.m_dLeft = dLeft;
    entry.m_dTop = dTop;
    entry.m_dRight = dRight;
    entry.m_dBottom = dBottom;
    entry.RecalcPixelSize();
    return entry;
}

} // namespace

TEST(CalibHandles, HandlesLieWithinTenPixelsOfTheCentreAndTheEdgeMiddles)
{
    const CCalibEntry e = EntryWithRect(0, 0, 200, 200); // centre (100, 100)
    EXPECT_EQ(CalibHandleAt(e, 100, 100), CALDRAG_MOVE);
    EXPECT_EQ(CalibHandleAt(e, 110, 90.5), CALDRAG_MOVE) << "c - 10 < p <= c + 10";
    EXPECT_EQ(CalibHandleAt(e, 90, 100), CALDRAG_NONE) << "c - 10 itself is not near";
    EXPECT_EQ(CalibHandleAt(e, 105, -9), CALDRAG_TOP);
    EXPECT_EQ(CalibHandleAt(e, 95, 210), CALDRAG_BOTTOM);
    EXPECT_EQ(CalibHandleAt(e, 3, 104), CALDRAG_LEFT);
    EXPECT_EQ(CalibHandleAt(e, 200, 100.5), CALDRAG_RIGHT);
    EXPECT_EQ(CalibHandleAt(e, 3, 3), CALDRAG_NONE) << "corners are no handles";
    EXPECT_EQ(CalibDragCursor(CALDRAG_TOP), ECalibCursor::SizeNS);
    EXPECT_EQ(CalibDragCursor(CALDRAG_RIGHT), ECalibCursor::SizeWE);
    EXPECT_EQ(CalibDragCursor(CALDRAG_MOVE), ECalibCursor::SizeAll);
}

TEST(CalibHandles, EdgesResizeSymmetricallyDownToTheFloorAndTheCentreMoves)
{
    CCalibEntry e = EntryWithRect(0, 0, 200, 200);
    ASSERT_EQ(BeginCalibDrag(e, 100, 0), CALDRAG_TOP);
    EXPECT_TRUE(MoveCalibDrag(e, 100, -5));
    EXPECT_EQ(e.m_dTop, -5.0) << "the top edge rises by 5";
    EXPECT_EQ(e.m_dBottom, 205.0) << "and the bottom one falls by 5";

    // Inwards until the height has reached 40: then refused, and the drag point stays.
    EXPECT_TRUE(MoveCalibDrag(e, 100, 80)); // height 210 - 170 = 40
    EXPECT_EQ(e.m_dBottom - e.m_dTop, 40.0);
    EXPECT_FALSE(MoveCalibDrag(e, 100, 90));
    EXPECT_EQ(e.m_dBottom - e.m_dTop, 40.0);
    EXPECT_EQ(e.m_dDragY, 80.0);
    EXPECT_TRUE(MoveCalibDrag(e, 100, 70)) << "outwards is always allowed";
    EXPECT_EQ(e.m_dBottom - e.m_dTop, 60.0);
    EndCalibDrag(e);
    EXPECT_EQ(e.m_nDragMode, CALDRAG_NONE);
    EXPECT_FALSE(MoveCalibDrag(e, 0, 0)) << "no drag, no change";

    ASSERT_EQ(BeginCalibDrag(e, 100, 100), CALDRAG_MOVE);
    EXPECT_TRUE(MoveCalibDrag(e, 130, 90));
    EXPECT_EQ(e.m_dLeft, 30.0);
    EXPECT_EQ(e.m_dRight, 230.0);
    EXPECT_EQ(e.m_dTop, 60.0);
    EXPECT_EQ(e.m_dMppX, 10.0 / 200) << "dragging derives no factor";
}

TEST(CalibHandles, ARectangleBelowTheFloorWidensAroundItsCentreAtTheFirstMove)
{
    CCalibEntry e = EntryWithRect(0, 100, 200, 120); // 20 high, from the settings file
    ASSERT_EQ(BeginCalibDrag(e, 200, 110), CALDRAG_RIGHT);
    EXPECT_TRUE(MoveCalibDrag(e, 201, 110));
    EXPECT_EQ(e.m_dTop, 90.0);
    EXPECT_EQ(e.m_dBottom, 130.0);
    EXPECT_EQ(e.m_dLeft, -1.0);
    EXPECT_EQ(e.m_dRight, 201.0);
}

TEST(CalibEdit, OkStoresTheFieldsAndDerivesTheFactors)
{
    CCalibEntry e = EntryWithRect(0, 0, 200, 100);
    EXPECT_EQ(CalibInfoLine(e, 1, 1, 1), "X = 0.005000, Y = 0.010000 [mm/pix]");
    ApplyCalibEdit(e, "Objective 10x", 1, 1, UNIT_MM);
    EXPECT_STREQ(e.m_szName, "Objective 10x");
    EXPECT_EQ(e.m_nUnit, UNIT_MM);
    EXPECT_DOUBLE_EQ(e.m_dMppX, 0.005);
    EXPECT_DOUBLE_EQ(e.m_dMppY, 0.01);

    // 255 bytes at most, never half a character: 86 three-byte characters are 258 bytes.
    std::string szLong;
    for (int i = 0; i < 86; ++i)
        szLong += "校";
    ApplyCalibEdit(e, szLong, 1, 1, UNIT_MM);
    EXPECT_EQ(std::string(e.m_szName), szLong.substr(0, 255));

    const CCalibEntry flat = EntryWithRect(0, 0, 200, 0);
    EXPECT_EQ(CalibInfoLine(flat, 10, 10, UNIT_CM), "X = 0.050000, Y = inf [cm/pix]");
}

TEST(CalibEdit, FieldsTakeWholeDecimalNumbersOnly)
{
    double d = -1;
    EXPECT_TRUE(ParseCalibLength(" 2.5 ", d));
    EXPECT_EQ(d, 2.5);
    EXPECT_TRUE(ParseCalibLength("+1e-3", d));
    EXPECT_EQ(d, 0.001);
    for (const char* szBad : {"", " ", "abc", "1,5", "2.5mm", "1e999", "nan", "--1"})
        EXPECT_FALSE(ParseCalibLength(szBad, d)) << szBad;
    EXPECT_EQ(d, 0.001) << "a refused text changes nothing";
    EXPECT_EQ(FormatCalibLength(10.0), "10");
    EXPECT_EQ(FormatCalibLength(0.1), "0.1");
}

TEST(ResultRows, EachTypeShowsItsRowsInTheSelectedUnit)
{
    MeasureItem two;
    two.Type = -TOOL_CIRCLE2;
    two.Value[0] = 1.23456;
    two.Value[1] = 2;
    two.Value[2] = 30.5;
    CResultRow rows[3];
    ASSERT_EQ(ResultRowsOf(two, UNIT_MM, false, rows), 3);
    EXPECT_EQ(rows[0].szType, "Circle diameter");
    EXPECT_EQ(rows[0].szValue, "1.235");
    EXPECT_EQ(rows[0].szUnit, "mm");
    EXPECT_EQ(rows[2].szType, "Circle distance");
    EXPECT_EQ(rows[2].szValue, "30.500");

    MeasureItem area;
    area.Type = -TOOL_ARIA;
    area.Value[0] = 0.30249;
    ASSERT_EQ(ResultRowsOf(area, UNIT_UM, true, rows), 1);
    EXPECT_EQ(rows[0].szType, "多角形面積");
    EXPECT_EQ(rows[0].szValue, "0.30");
    EXPECT_EQ(rows[0].szUnit, "um2");

    MeasureItem angle;
    angle.Type = -TOOL_ANGLE;
    angle.Value[0] = 89.96;
    ASSERT_EQ(ResultRowsOf(angle, 7, false, rows), 1);
    EXPECT_EQ(rows[0].szValue, "90.0") << "angles ignore the unit";
    EXPECT_EQ(rows[0].szUnit, "degree");
    ASSERT_EQ(ResultRowsOf(angle, UNIT_CM, true, rows), 1);
    EXPECT_EQ(rows[0].szUnit, "°");

    MeasureItem length;
    length.Type = -TOOL_SUI;
    ASSERT_EQ(ResultRowsOf(length, 7, false, rows), 1);
    EXPECT_EQ(rows[0].szType, "Length");
    EXPECT_EQ(rows[0].szValue, "") << "an unknown unit writes nothing";
    length.Type = TOOL_LINE;
    EXPECT_EQ(ResultRowsOf(length, UNIT_CM, false, rows), 0) << "an item still being entered has no row";
}

TEST(ResultsTable, DeleteTakesTheSelectedRowsWithTheirMeasurements)
{
    CMeasureList list;
    CResultsTable table([] { return UNIT_CM; }, false);
    auto add = [&](MeasureTool nTool) {
        MeasureItem item;
        item.Type = -nTool;
        table.AddItemRows(*list.AppendCopy(item));
    };
    add(TOOL_LINE);    // row 0
    add(TOOL_CIRCLE2); // rows 1, 2, 3
    add(TOOL_LINE);    // row 4
    add(TOOL_LINE);    // row 5
    add(TOOL_CIRCLE2); // rows 6, 7, 8
    ASSERT_EQ(table.Rows().size(), 9u);

    // The distance row of the first two-circle item, and two adjacent lengths.
    std::vector<bool> selected(9, false);
    selected[3] = selected[4] = selected[5] = true;
    EXPECT_TRUE(table.DeleteRows(selected, list));
    ASSERT_EQ(table.Rows().size(), 4u);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(table.Rows()[0].pItem->Type, -TOOL_LINE);
    EXPECT_EQ(table.FirstRowOf(table.Rows()[1].pItem), 1) << "the last item's rows moved up to 1..3";

    // Its middle row takes all three; an empty selection deletes nothing.
    selected.assign(4, false);
    selected[2] = true;
    EXPECT_TRUE(table.DeleteRows(selected, list));
    EXPECT_EQ(table.Rows().size(), 1u);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(table.DeleteRows(std::vector<bool>(1, false), list));
}
