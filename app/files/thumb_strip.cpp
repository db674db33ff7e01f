#include "app/files/thumb_strip.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int GRID_PITCH_X = 150;
constexpr int GRID_PITCH_Y = 115;
constexpr int GRID_LEFT = 6;
constexpr int GRID_TOP = 10;

bool Inside(const RECT& rc, POINT pt) { return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom; }

} // namespace

CStripSpan StripSpan(const RECT& rcFrame, int nScroll, int nCount)
{
    const int nFirst = std::max(0, nScroll);
    const int nLast = nFirst + (rcFrame.right - rcFrame.left - STRIP_LEFT_MARGIN) / STRIP_PITCH + 1;
    return CStripSpan{nFirst, std::min(nLast, nCount)};
}

RECT StripCell(const RECT& rcFrame, int nScroll, int i)
{
    const LONG x = rcFrame.left + STRIP_LEFT_MARGIN + (i - nScroll) * STRIP_PITCH;
    const LONG y = rcFrame.top + STRIP_TOP_MARGIN;
    return RECT{x, y, x + THUMB_WIDTH, y + THUMB_HEIGHT};
}

int StripHitTest(const RECT& rcFrame, int nScroll, int nCount, POINT pt)
{
    const CStripSpan span = StripSpan(rcFrame, nScroll, nCount);
    for (int i = span.nFirst; i < span.nLast; ++i) {
        if (Inside(StripCell(rcFrame, nScroll, i), pt))
            return i;
    }
    return -1;
}

int CStripDrag::Move(int x)
{
    if (!m_bActive || std::abs(m_nLastX - x) <= STRIP_PITCH)
        return 0;
    const int nStep = x > m_nLastX ? -1 : 1;
    m_nLastX = x;
    return nStep;
}

CThumbGrid ThumbGridOf(int nWidth, int nHeight)
{
    return CThumbGrid{std::max(0, (nWidth - 47) / STRIP_PITCH), std::max(0, (nHeight - 10) / GRID_PITCH_Y)};
}

RECT GridCell(const CThumbGrid& grid, int nScroll, int i)
{
    const int c = std::max(1, grid.nColumns);
    const LONG x = (i % c) * GRID_PITCH_X + GRID_LEFT;
    const LONG y = (i / c - nScroll) * GRID_PITCH_Y + GRID_TOP;
    return RECT{x, y, x + THUMB_WIDTH, y + THUMB_HEIGHT};
}

int GridHitTest(const CThumbGrid& grid, int nScroll, int nCount, POINT pt)
{
    const int nFirst = nScroll * grid.nColumns;
    const int nEnd = std::min(nCount, nFirst + grid.nColumns * grid.nRows);
    for (int i = nFirst; i < nEnd; ++i) {
        if (Inside(GridCell(grid, nScroll, i), pt))
            return i;
    }
    return -1;
}

CGridScrollRange GridScrollRange(const CThumbGrid& grid, int nCount)
{
    const int nVisible = grid.nColumns * grid.nRows;
    if (nCount - nVisible <= 0 || nVisible <= 0)
        return CGridScrollRange{};
    return CGridScrollRange{true, (nCount - nVisible) / grid.nColumns + 1};
}
