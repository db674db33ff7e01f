// The polygon tool's area: the pixels that filling the polygon with a solid brush and
// drawing its outline with the one-pixel pen would paint, counted row by row.
//
// What is painted (integer vertices, pixel centres at integer coordinates):
//
// - The fill is the region of the classic edge-table scan conversion in alternate
//   (even-odd) mode. An edge from (x0, y0) to (x1, y1) with y0 < y1 crosses the rows
//   y0 .. y1 - 1 (its bottom row excluded; horizontal edges cross none) at
//   ceil(x0 + (y - y0) * (x1 - x0) / (y1 - y0)), which is the x its Bresenham stepping
//   reaches on that row. On each row the crossings, sorted, pair up into spans
//   [first, second), [third, fourth), ...: a pixel is inside when its centre lies on or
//   right of a left edge and strictly left of a right edge.
//
// - The pen draws the edges P[0] -> P[1], ..., P[n-1] -> P[0] (with two points: out
//   and back) as one-pixel lines that leave out their end point. A line of major
//   length L = max(|dx|, |dy|) paints L pixels, step k = 0 .. L-1: along the major axis
//   the start plus k, across it the pixel nearest to the exact line, and when the line
//   passes exactly between two pixels, the one with the smaller coordinate (the upper
//   one for a flat line, the left one for a steep line), whichever the direction:
//       minor offset o(k) = ceil(k * dMinor / L - 1/2) = ceil((2 k dMinor - L) / (2 L)).
//   So a line and its reverse paint the same pixels but for the end each leaves out.
//   Measured against the recorded counts, this tie rule is the only one of the 256
//   choices "ties up or down" per octant that reproduces them. Horizontal and vertical
//   lines are the case dMinor = 0: the run from the start up to the end, end excluded.
//
// - Both are clipped to the picture; the clipped line keeps the unclipped line's
//   pixels, since each pixel is computed from the unclipped line's own start and steps.
//
// How the count is made, without a picture: the rows from the polygon's top to its
// bottom (within the picture) are visited in order. Edges enter an active list at their
// top row and leave it after their bottom row. On a row each active edge gives at most
// one fill crossing and at most one outline run: a steep line paints one pixel per row,
// a flat line one contiguous run (its steps whose o(k) equals the row, a range of k
// found by solving the inequality of o(k) for k). The row's fill spans and outline
// runs, clipped to the picture's columns, are sorted by start and merged; the length of
// their union is exactly the number of pixels the fill and the pen paint on that row,
// because each painted pixel of the row lies in one of these intervals and every pixel
// of each interval is painted. The sum over the rows is the count. Memory is a few
// numbers per vertex; time is the rows times the active edges.
//
// Coordinates: each point is truncated toward zero (-0.5 -> 0, 10.9 -> 10), as the
// conversion to the platform's integer points did. Points beyond +-2^27, the range of
// the platform's device coordinates, are clamped to it (a point that is not a number
// counts as 0); within that range every product below fits in 64 bits (< 2^58).
#include "app/measure/polygon_fill.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr double COORDINATE_LIMIT = 134217728.0; // 2^27

// A polygon point after the conversion to integers.
struct CPixelPoint {
    long long x = 0;
    long long y = 0;
};

// An edge of the closed polygon, drawn from m_from to m_to; m_nTop and m_nBottom are
// its smallest and largest row.
struct CEdge {
    CPixelPoint m_from;
    CPixelPoint m_to;
    long long m_nTop = 0;
    long long m_nBottom = 0;
};

// Columns [m_nBegin, m_nEnd) of one row.
struct CSpan {
    long long m_nBegin = 0;
    long long m_nEnd = 0;
};

long long TruncateCoordinate(double d)
{
    if (std::isnan(d))
        return 0;
    return static_cast<long long>(std::clamp(d, -COORDINATE_LIMIT, COORDINATE_LIMIT));
}

// Floor and ceiling of a / b for b > 0 (C++ division truncates toward zero).
long long FloorDiv(long long a, long long b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

long long CeilDiv(long long a, long long b)
{
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// The fill's crossing of an edge that is not horizontal with row y (m_nTop <= y < m_nBottom).
long long FillCrossing(const CEdge& edge, long long y)
{
    const CPixelPoint& top = edge.m_from.y < edge.m_to.y ? edge.m_from : edge.m_to;
    const CPixelPoint& bottom = edge.m_from.y < edge.m_to.y ? edge.m_to : edge.m_from;
    return top.x + CeilDiv((y - top.y) * (bottom.x - top.x), bottom.y - top.y);
}

// The pixels the pen paints on row y for the edge's line: false when none.
bool OutlineRun(const CEdge& edge, long long y, CSpan& run)
{
    const long long dx = edge.m_to.x - edge.m_from.x;
    const long long dy = edge.m_to.y - edge.m_from.y;
    const long long nAbsDx = std::llabs(dx);
    const long long nAbsDy = std::llabs(dy);
    const long long nRow = y - edge.m_from.y; // the row as an offset from the start

    if (nAbsDy > nAbsDx) {
        // Steep: step k = |nRow| lies on this row and paints one pixel, x offset o(k).
        const long long k = std::llabs(nRow);
        if ((nRow != 0 && (nRow < 0) != (dy < 0)) || k >= nAbsDy)
            return false;
        const long long x = edge.m_from.x + CeilDiv(2 * k * dx - nAbsDy, 2 * nAbsDy);
        run = {x, x + 1};
        return true;
    }
    if (nAbsDx == 0)
        return false; // a line from a point to itself paints nothing

    // Flat: the steps k = 0 .. L-1 with o(k) = nRow, L = |dx|. With j = |nRow| and
    // D = |dy| the condition j - 1 < (2 k D - L) / (2 L) <= j (downwards) becomes
    // (2 j L - L) / (2 D) < k <= (2 j L + L) / (2 D); upwards the tie moves to the other
    // side: (2 j L - L) / (2 D) <= k < (2 j L + L) / (2 D).
    long long nFirst = 0;
    long long nLast = nAbsDx - 1;
    if (dy == 0) {
        if (nRow != 0)
            return false;
    } else {
        const long long j = std::llabs(nRow);
        if (nRow != 0 && (nRow < 0) != (dy < 0))
            return false;
        const long long nLow = 2 * j * nAbsDx - nAbsDx;
        const long long nHigh = 2 * j * nAbsDx + nAbsDx;
        if (dy > 0) {
            nFirst = std::max(nFirst, FloorDiv(nLow, 2 * nAbsDy) + 1);
            nLast = std::min(nLast, FloorDiv(nHigh, 2 * nAbsDy));
        } else {
            nFirst = std::max(nFirst, CeilDiv(nLow, 2 * nAbsDy));
            nLast = std::min(nLast, CeilDiv(nHigh, 2 * nAbsDy) - 1);
        }
        if (nFirst > nLast)
            return false;
    }
    if (dx > 0)
        run = {edge.m_from.x + nFirst, edge.m_from.x + nLast + 1};
    else
        run = {edge.m_from.x - nLast, edge.m_from.x - nFirst + 1};
    return true;
}

} // namespace

bool CountPolygonPixels(int nWidth, int nHeight, const DPOINT* pPoints, int nCount, long long& nPixels)
{
    if (pPoints == nullptr || nCount < 2)
        return false;

    std::vector<CPixelPoint> points(static_cast<std::size_t>(nCount));
    for (int i = 0; i < nCount; ++i)
        points[i] = {TruncateCoordinate(pPoints[i].x), TruncateCoordinate(pPoints[i].y)};

    // The closed outline's edges, by top row.
    std::vector<CEdge> edges(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CPixelPoint& from = points[i];
        const CPixelPoint& to = points[(i + 1) % points.size()];
        edges[i] = {from, to, std::min(from.y, to.y), std::max(from.y, to.y)};
    }
    std::sort(edges.begin(), edges.end(), [](const CEdge& a, const CEdge& b) { return a.m_nTop < b.m_nTop; });

    long long nBottom = edges.front().m_nBottom;
    for (const CEdge& edge : edges)
        nBottom = std::max(nBottom, edge.m_nBottom);
    const long long nFirstRow = std::max(0LL, edges.front().m_nTop);
    const long long nLastRow = std::min(static_cast<long long>(nHeight) - 1, nBottom);

    long long nTotal = 0;
    std::vector<const CEdge*> active;
    std::vector<long long> crossings;
    std::vector<CSpan> spans;
    std::size_t nNextEdge = 0;
    for (long long y = nFirstRow; y <= nLastRow && nWidth > 0; ++y) {
        while (nNextEdge < edges.size() && edges[nNextEdge].m_nTop <= y)
            active.push_back(&edges[nNextEdge++]);
        std::erase_if(active, [y](const CEdge* pEdge) { return pEdge->m_nBottom < y; });

        crossings.clear();
        spans.clear();
        for (const CEdge* pEdge : active) {
            if (y < pEdge->m_nBottom)
                crossings.push_back(FillCrossing(*pEdge, y));
            CSpan run;
            if (OutlineRun(*pEdge, y, run))
                spans.push_back(run);
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
            spans.push_back({crossings[i], crossings[i + 1]});

        // The union of the row's intervals within columns 0 .. nWidth-1.
        std::sort(spans.begin(), spans.end(), [](const CSpan& a, const CSpan& b) { return a.m_nBegin < b.m_nBegin; });
        long long nCovered = 0; // columns before this one are counted
        for (const CSpan& span : spans) {
            const long long nBegin = std::max(span.m_nBegin, nCovered);
            const long long nEnd = std::min(span.m_nEnd, static_cast<long long>(nWidth));
            if (nBegin < nEnd) {
                nTotal += nEnd - nBegin;
                nCovered = nEnd;
            }
        }
    }
    nPixels = nTotal;
    return true;
}
