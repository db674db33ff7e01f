// The measurement items, their list and the geometry of the six tools.
#include "app/measure/measure_geometry.h"
#include "app/measure/measure_list.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A finished item of tool nTool through the given points, with X factor dMppX and Y
// factor dMppY in cm, on a 640 x 480 picture.
MeasureItem Finished(MeasureTool nTool, std::initializer_list<DPOINT> points, double dMppX = 0.01,
                     double dMppY = 0.01)
{
    MeasureItem item;
    SelectTool(item, nTool);
    for (const DPOINT& p : points)
        item.Points.Set(item.PointCount++, p);
    CCalibEntry calib;
    calib.m_dMppX = dMppX;
    calib.m_dMppY = dMppY;
    FinishItem(item, calib, 640, 480);
    return item;
}

} // namespace

TEST(MeasureItem, PointsGrowByTheRuleAndAToolRestartsTheItem)
{
    MeasureItem item;
    SelectTool(item, TOOL_ARIA);
    EXPECT_EQ(item.Points.Capacity(), 10);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(item.Points.Set(i, DPOINT{double(i), double(-i)}));
    EXPECT_EQ(item.Points.Capacity(), 10);
    ASSERT_TRUE(item.Points.Set(10, DPOINT{10, -10}));
    EXPECT_EQ(item.Points.Capacity(), 30) << "10 + (10 + 10)";
    EXPECT_EQ(item.Points[9].x, 9.0) << "the first points stay in place";
    EXPECT_EQ(item.Points[29].x, 0.0) << "new points are zero";
    ASSERT_TRUE(item.Points.Set(40, DPOINT{1, 1}));
    EXPECT_EQ(item.Points.Capacity(), 100);

    item.PointCount = 41;
    item.Value[0] = 5;
    SelectTool(item, TOOL_LINE);
    EXPECT_EQ(item.Type, TOOL_LINE);
    EXPECT_EQ(item.PointCount, 0);
    EXPECT_EQ(item.Points.Capacity(), 10);
    EXPECT_EQ(item.Points[0].x, 0.0) << "the half-entered points are gone";
    EXPECT_EQ(item.Value[0], 0.0);
    SelectTool(item, TOOL_NONE);
    EXPECT_EQ(item.Points.Capacity(), 0);
}

TEST(MeasureList, KeysArePositionsAreRenumberedAndRemovalFindsByKey)
{
    CMeasureList list;
    EXPECT_EQ(list.HitTest(0, 0, 5).pItem, nullptr) << "an empty list hits nothing";
    MeasureItem line = Finished(TOOL_LINE, {{0, 0}, {10, 0}});
    MeasureItem* pFirst = list.AppendCopy(line);
    MeasureItem* pSecond = list.AppendCopy(line);
    MeasureItem* pThird = list.AppendCopy(line);
    EXPECT_NE(pFirst->Id, pSecond->Id);
    EXPECT_NE(pSecond->Id, pThird->Id);
    pFirst->Points[0].x = 3;
    EXPECT_EQ(pSecond->Points[0].x, 0.0) << "every stored item has points of its own";

    ASSERT_TRUE(list.RemoveById(pSecond->Id));
    EXPECT_FALSE(list.RemoveById(12345));
    EXPECT_EQ(list.Count(), 2);
    list.Renumber();
    EXPECT_EQ(list.Seek(1), pThird) << "addresses stay valid across removals";
    EXPECT_EQ(pThird->Index, 1);
    EXPECT_EQ(list.Seek(2), nullptr);
    EXPECT_EQ(list.FindById(pFirst->Id), pFirst);
    const int nThirdId = pThird->Id;
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FindById(nThirdId), nullptr);
    EXPECT_NE(list.AppendCopy(line)->Id, nThirdId) << "keys are not reused";
}

TEST(MeasureList, HitTestTakesItemsInOrderAndCircumferencesBeforeCentres)
{
    CMeasureList list;
    MeasureItem* pLine = list.AppendCopy(Finished(TOOL_LINE, {{100, 100}, {200, 100}}));
    // A circle of radius 5 around (100, 100): its circumference passes near its centre.
    MeasureItem* pCircle = list.AppendCopy(Finished(TOOL_CIRCLE, {{95, 100}, {100, 95}, {105, 100}}));
    ASSERT_NEAR(pCircle->Radius[0], 5.0, 1e-9);

    CMeasureHit hit = list.HitTest(100, 100, 3);
    EXPECT_EQ(hit.pItem, pLine) << "the earlier item wins";
    EXPECT_EQ(hit.nKind, CMeasureHit::HIT_POINT);
    hit = list.HitTest(198, 102, 3);
    EXPECT_EQ(hit.pItem, pLine);
    EXPECT_EQ(hit.nIndex, 1);
    EXPECT_EQ(list.HitTest(197, 100, 3).pItem, nullptr) << "the box reaches tol to the right, exclusive";

    list.RemoveById(pLine->Id);
    hit = list.HitTest(100, 100, 6);
    EXPECT_EQ(hit.pItem, pCircle);
    EXPECT_EQ(hit.nKind, CMeasureHit::HIT_CIRCUMFERENCE) << "tried before the centre";
    hit = list.HitTest(100, 100, 2);
    EXPECT_EQ(hit.nKind, CMeasureHit::HIT_POINT);
    hit = list.HitTest(100, 108, 2);
    EXPECT_EQ(hit.pItem, nullptr);
}

TEST(MeasureList, PerpendicularGroupsShareExactlyTheSameBaseLine)
{
    CMeasureList list;
    MeasureItem* pFirst = list.AppendCopy(Finished(TOOL_SUI, {{0, 0}, {100, 0}, {10, 20}}));
    MeasureItem* pOther = list.AppendCopy(Finished(TOOL_SUI, {{0, 0}, {100, 1e-12}, {10, 20}}));
    MeasureItem* pSecond = list.AppendCopy(Finished(TOOL_SUI, {{0, 0}, {100, 0}, {50, -5}}));
    list.AppendCopy(Finished(TOOL_LINE, {{0, 0}, {100, 0}}));
    MeasureItem* pThird = list.AppendCopy(Finished(TOOL_SUI, {{0, 0}, {100, 0}, {70, 9}}));

    EXPECT_EQ(list.NextSharingBaseLine(*pFirst, nullptr), pSecond);
    EXPECT_EQ(list.NextSharingBaseLine(*pFirst, pSecond), pThird);
    EXPECT_EQ(list.NextSharingBaseLine(*pFirst, pThird), nullptr);
    EXPECT_EQ(list.NextSharingBaseLine(*pSecond, nullptr), pThird) << "only later items belong to the walk";
    EXPECT_EQ(list.NextSharingBaseLine(*pOther, nullptr), nullptr);
    // Two walks at once do not disturb each other.
    EXPECT_EQ(list.NextSharingBaseLine(*pFirst, nullptr), pSecond);
    EXPECT_EQ(list.NextSharingBaseLine(*pSecond, nullptr), pThird);
}

TEST(MeasureGeometry, ResultsOfEachToolInCalibratedUnits)
{
    const MeasureItem length = Finished(TOOL_LINE, {{5, 10}, {5, 110}}, 0.01, 0.02);
    EXPECT_EQ(length.Type, -TOOL_LINE);
    EXPECT_DOUBLE_EQ(length.Value[0], 1.0) << "lengths take the X factor whatever their direction";

    const MeasureItem square = Finished(TOOL_ARIA, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0.05, 0.1);
    EXPECT_DOUBLE_EQ(square.Value[0], 121 * 0.1 * 0.05) << "outline pixels count";
    EXPECT_EQ(square.Value[1], square.Value[0]);

    const MeasureItem circle = Finished(TOOL_CIRCLE, {{0, 10}, {10, 0}, {20, 10}}, 0.5);
    EXPECT_DOUBLE_EQ(circle.Center[0].x, 10.0);
    EXPECT_DOUBLE_EQ(circle.Center[0].y, 10.0);
    EXPECT_DOUBLE_EQ(circle.Value[0], 10.0);

    const MeasureItem two = Finished(TOOL_CIRCLE2, {{0, 10}, {10, 0}, {20, 10}, {30, 40}, {40, 30}, {50, 40}}, 0.5);
    EXPECT_DOUBLE_EQ(two.Value[0], 10.0);
    EXPECT_DOUBLE_EQ(two.Value[1], 10.0);
    EXPECT_DOUBLE_EQ(two.Value[2], std::sqrt(30.0 * 30 + 30 * 30) * 0.5);

    const MeasureItem angle = Finished(TOOL_ANGLE, {{10, 5}, {5, 5}, {5, 0}});
    EXPECT_NEAR(angle.Value[0], 90.0, 1e-6) << "arms right (0) and up (90)";

    const MeasureItem slanted = Finished(TOOL_SUI, {{0, 0}, {10, 10}, {0, 10}}, 1.0);
    EXPECT_DOUBLE_EQ(slanted.Points[3].x, 5.0);
    EXPECT_DOUBLE_EQ(slanted.Points[3].y, 5.0);
    EXPECT_DOUBLE_EQ(slanted.Value[0], std::sqrt(50.0));
    EXPECT_EQ(slanted.PointCount, 3) << "the foot is kept beside the entered points";
}

TEST(MeasureGeometry, MarkerSlopesGiveExactFeetAndCollinearCirclesSitOnTheOrigin)
{
    double m = 0, k = 0, normal = 0;
    LineThrough(DPOINT{7, 0}, DPOINT{7, 50}, m, k, normal);
    EXPECT_EQ(m, SLOPE_VERTICAL);
    EXPECT_EQ(normal, SLOPE_VERTICAL);
    const DPOINT onVertical = FootOfPerpendicular(DPOINT{20.25, 13.5}, m, k);
    EXPECT_EQ(onVertical.x, 7.0);
    EXPECT_EQ(onVertical.y, 13.5);
    LineThrough(DPOINT{0, 3}, DPOINT{50, 3}, m, k, normal);
    EXPECT_EQ(m, SLOPE_HORIZONTAL);
    EXPECT_EQ(normal, SLOPE_HORIZONTAL);
    const DPOINT onHorizontal = FootOfPerpendicular(DPOINT{20.25, 13.5}, m, k);
    EXPECT_EQ(onHorizontal.x, 20.25);
    EXPECT_EQ(onHorizontal.y, 3.0);
    LineThrough(DPOINT{0, 0}, DPOINT{2, 4}, m, k, normal);
    EXPECT_DOUBLE_EQ(m, 2.0);
    EXPECT_DOUBLE_EQ(normal, -0.5);

    DPOINT center{1, 1};
    double radius = 0;
    EXPECT_TRUE(CircleFrom3Points(DPOINT{3, 4}, DPOINT{6, 8}, DPOINT{9, 12}, center, radius));
    EXPECT_EQ(center.x, 0.0);
    EXPECT_EQ(center.y, 0.0);
    EXPECT_EQ(radius, 5.0) << "the distance of the first point from the origin";
}

TEST(MeasureGeometry, AnglesLieBetween0And180AndAZeroArmReadsZero)
{
    const DPOINT vertex{100, 100};
    auto arm = [&vertex](double dDegrees) {
        const double r = dDegrees * std::acos(-1.0) / 180;
        return DPOINT{vertex.x + 50 * std::cos(r), vertex.y - 50 * std::sin(r)};
    };
    // Degrees come from radians with the factor 360 x 0.15915494327375637, a little
    // more than 360 / (2 pi): a right angle reads 90.0000001, shown as 90.0.
    EXPECT_NEAR(AngleAtVertex(arm(10), vertex, arm(350)), 20.0, 1e-6);
    EXPECT_NEAR(AngleAtVertex(arm(350), vertex, arm(10)), 20.0, 1e-6);
    EXPECT_NEAR(AngleAtVertex(arm(30), vertex, arm(240)), 150.0, 1e-6);
    EXPECT_NEAR(AngleAtVertex(DPOINT{100, 150}, vertex, DPOINT{100, 50}), 180.0, 1e-6) << "straight down and up";
    EXPECT_EQ(AngleAtVertex(vertex, vertex, arm(45)), 0.0);
    EXPECT_EQ(AngleAtVertex(arm(45), vertex, vertex), 0.0);
}
