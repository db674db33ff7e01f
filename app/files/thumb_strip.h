// Where the thumbnails of the picture folder show: the strip along the bottom of the
// main window and the grid of the thumbnail dialog. Which thumbnail lies where, which
// one a point hits, the dialog's scroll range, and the strip's drag-to-scroll.
#pragma once

#include "app/files/thumb_list.h"
#include "platform/win_types.h"

// The strip: thumbnails 14 pixels below the frame's top, from 8 pixels in, 146 apart.
constexpr int STRIP_LEFT_MARGIN = 8;
constexpr int STRIP_TOP_MARGIN = 14;
constexpr int STRIP_PITCH = THUMB_WIDTH + 6;

// The items the strip shows for a frame and scroll position: nFirst .. nLast - 1.
struct CStripSpan {
    int nFirst = 0;
    int nLast = 0;
};
CStripSpan StripSpan(const RECT& rcFrame, int nScroll, int nCount);

// The rectangle of item i in the strip scrolled to nScroll (i >= nScroll).
RECT StripCell(const RECT& rcFrame, int nScroll, int i);

// The item whose thumbnail holds client point pt, or -1.
int StripHitTest(const RECT& rcFrame, int nScroll, int nCount, POINT pt);

// Drag-to-scroll: a left press on a thumbnail starts it; each move further than one
// pitch from where it last scrolled moves the strip by one (forwards when the mouse
// moves left).
class CStripDrag {
public:
    void Begin(int x)
    {
        m_bActive = true;
        m_nLastX = x;
    }
    // The scroll step of a move to x: -1, 0 or +1.
    int Move(int x);
    void End() { m_bActive = false; }
    bool IsActive() const { return m_bActive; }

private:
    bool m_bActive = false;
    int m_nLastX = 0;
};

// The thumbnail dialog's grid for a client area of nWidth x nHeight: 150 x 115 cells
// from (6, 10), 35 pixels kept for the scroll bar.
struct CThumbGrid {
    int nColumns = 0;
    int nRows = 0;
};
CThumbGrid ThumbGridOf(int nWidth, int nHeight);

// The rectangle of item i's thumbnail in the grid scrolled to row nScroll.
RECT GridCell(const CThumbGrid& grid, int nScroll, int i);

// The item whose cell holds pt among the shown ones (a cell may be empty: -1 then).
int GridHitTest(const CThumbGrid& grid, int nScroll, int nCount, POINT pt);

// The dialog's vertical scroll range 0 .. nMax in rows; disabled when all fit.
struct CGridScrollRange {
    bool bEnabled = false;
    int nMax = 0;
};
CGridScrollRange GridScrollRange(const CThumbGrid& grid, int nCount);
