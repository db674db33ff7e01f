// CountPolygonPixels against the counts the platform's rasteriser gave, and its
// conversion of the points and clipping to the picture.
#include "app/measure/polygon_fill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One recorded polygon: "n x0 y0 ... => ret=R count=C".
struct CRecordedCase {
    int nLine = 0;
    std::string szText;
    std::vector<DPOINT> points;
    bool bDrawn = false;
    long long nCount = 0;
};

std::vector<CRecordedCase> ReadRecordedCases()
{
    std::vector<CRecordedCase> cases;
    std::ifstream file(VEXILO_POLYGON_COUNTS);
    std::string szLine;
    for (int nLine = 1; std::getline(file, szLine); ++nLine) {
        if (szLine.empty() || szLine[0] == '#')
            continue;
        CRecordedCase recorded{nLine, szLine, {}, false, 0};
        std::istringstream in(szLine);
        std::size_t nPoints = 0;
        in >> nPoints;
        recorded.points.resize(nPoints);
        for (DPOINT& point : recorded.points)
            in >> point.x >> point.y;
        std::string szArrow, szRet, szCount;
        in >> szArrow >> szRet >> szCount;
        EXPECT_TRUE(in && szRet.starts_with("ret=") && szCount.starts_with("count=")) << "line " << nLine;
        recorded.bDrawn = szRet == "ret=1";
        recorded.nCount = std::stoll(szCount.substr(6));
        cases.push_back(recorded);
    }
    return cases;
}

long long Count(int nWidth, int nHeight, const std::vector<DPOINT>& points)
{
    long long nPixels = -1;
    EXPECT_TRUE(CountPolygonPixels(nWidth, nHeight, points.data(), static_cast<int>(points.size()), nPixels));
    return nPixels;
}

TEST(PolygonFill, MatchesEveryRecordedCount)
{
    const std::vector<CRecordedCase> cases = ReadRecordedCases();
    ASSERT_EQ(cases.size(), 100u) << "polygons read from " << VEXILO_POLYGON_COUNTS;
    for (const CRecordedCase& recorded : cases) {
        long long nPixels = -1; // stays -1 when the polygon cannot be drawn
        const bool bDrawn = CountPolygonPixels(640, 480, recorded.points.data(),
                                               static_cast<int>(recorded.points.size()), nPixels);
        const long long nExpected = recorded.bDrawn ? recorded.nCount : -1;
        EXPECT_TRUE(bDrawn == recorded.bDrawn && nPixels == nExpected)
            << "line " << recorded.nLine << ": " << recorded.szText << "\n  counted: drawn=" << bDrawn
            << " count=" << nPixels << ", recorded: drawn=" << recorded.bDrawn << " count=" << recorded.nCount;
    }
}

TEST(PolygonFill, CountsTheOutlineWithTheInterior)
{
    EXPECT_EQ(Count(640, 480, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}), 121);
    EXPECT_EQ(Count(640, 480, {{0, 10}, {10, 10}, {10, 0}, {0, 0}}), 121);

    long long nPixels = 7;
    const DPOINT none[1] = {};
    EXPECT_FALSE(CountPolygonPixels(640, 480, none, 0, nPixels));
    EXPECT_FALSE(CountPolygonPixels(640, 480, nullptr, 3, nPixels));
    EXPECT_EQ(nPixels, 7);
}

TEST(PolygonFill, TruncatesPointsTowardZero)
{
    // (0,0) -> (3,0) and back: four pixels. Rounding down would start at (-1,-1) and
    // leave two in the picture; rounding to the nearest would end at (4,1): five.
    EXPECT_EQ(Count(640, 480, {{-0.5, -0.5}, {3.7, 0.9}}), 4);

    const long long nTriangle = Count(640, 480, {{10, 20}, {0, 5}, {30, 0}});
    EXPECT_EQ(Count(640, 480, {{10.9, 20.2}, {-0.5, 5.99}, {30.5, -0.7}}), nTriangle);
    EXPECT_NE(Count(640, 480, {{10, 20}, {-1, 5}, {30, -1}}), nTriangle) << "rounding down would count the same";
    EXPECT_NE(Count(640, 480, {{11, 20}, {0, 6}, {31, 0}}), nTriangle) << "rounding would count the same";
}

TEST(PolygonFill, ClipsToThePicture)
{
    EXPECT_EQ(Count(37, 23, {{-5, -5}, {100, -5}, {100, 100}, {-5, 100}}), 37 * 23);
    EXPECT_EQ(Count(37, 23, {{0, 0}, {37, 0}, {37, 23}, {0, 23}}), 37 * 23);
    // (33,10) (34,10) (35,10) (36,11) of the line to (41,12) and back lie in the picture.
    EXPECT_EQ(Count(37, 23, {{33, 10}, {41, 12}}), 4);
    EXPECT_EQ(Count(0, 23, {{0, 0}, {37, 0}, {37, 23}}), 0);

    // The pixels of a polygon move with it, so the four pictures that split the 640 x 480
    // one at (nSplitX, nSplitY), each seeing the polygon shifted by its corner, count
    // together what the whole picture counts: a clipped edge keeps its unclipped pixels.
    for (const CRecordedCase& recorded : ReadRecordedCases()) {
        if (!recorded.bDrawn)
            continue;
        // Split at the mean of the vertices, through the polygon's middle.
        DPOINT mean;
        for (const DPOINT& point : recorded.points)
            mean = {mean.x + point.x / recorded.points.size(), mean.y + point.y / recorded.points.size()};
        const int nSplitX = std::clamp(static_cast<int>(mean.x), 1, 639);
        const int nSplitY = std::clamp(static_cast<int>(mean.y), 1, 479);
        long long nParts = 0;
        for (int nCorner = 0; nCorner < 4; ++nCorner) {
            const int nLeft = nCorner % 2 ? nSplitX : 0, nTop = nCorner / 2 ? nSplitY : 0;
            std::vector<DPOINT> shifted = recorded.points;
            for (DPOINT& point : shifted)
                point = {point.x - nLeft, point.y - nTop};
            nParts += Count(nCorner % 2 ? 640 - nSplitX : nSplitX, nCorner / 2 ? 480 - nSplitY : nSplitY, shifted);
        }
        EXPECT_EQ(nParts, Count(640, 480, recorded.points))
            << "line " << recorded.nLine << " split at " << nSplitX << "," << nSplitY << ": " << recorded.szText;
    }
}

} // namespace
