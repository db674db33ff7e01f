#include "app/shell/view_layout.h"

ThumbScrollRange ComputeThumbScrollRange(int nGroupWidth, int nThumbs, bool bThumbVisible)
{
    const int nPage = (nGroupWidth - 8) / (THUMB_CELL_WIDTH + THUMB_CELL_GAP) + 1;
    ThumbScrollRange range;
    if (nPage < nThumbs + 1) {
        range.bShow = bThumbVisible;
        range.nMax = nThumbs;
        range.nPage = nPage;
    }
    return range;
}
