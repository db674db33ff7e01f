// Layout arithmetic of the main window that needs no window system.
#pragma once

constexpr int THUMB_CELL_WIDTH = 140;
constexpr int THUMB_CELL_HEIGHT = 105;
constexpr int THUMB_CELL_GAP = 6;

struct ThumbScrollRange {
    bool bShow = false; // scroll bar shown
    int nMax = 0;       // range 0..nMax
    int nPage = 0;      // page size
};

// Scroll range of the thumbnail strip for nThumbs thumbnails in a strip group
// box nGroupWidth pixels wide: a bar only when they do not all fit.
ThumbScrollRange ComputeThumbScrollRange(int nGroupWidth, int nThumbs, bool bThumbVisible);
