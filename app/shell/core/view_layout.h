// Layout arithmetic of the main window that needs no window system: sizing the
// picture view for the zoom, keeping the scroll offsets in range, mapping window
// points to picture coordinates, panning, and the thumbnail strip's scroll bar.
#pragma once

#include "platform/win_types.h"

constexpr int THUMB_CELL_WIDTH = 140;
constexpr int THUMB_CELL_HEIGHT = 105;
constexpr int THUMB_CELL_GAP = 6;

// Magnification of each zoom choice; choice 0 (fit to window) uses 1 where a
// factor is needed.
constexpr int s_nZoomFactor[] = {1, 1, 2, 4, 8, 16, 32, 64};
constexpr int ZOOM_FIT = 0;
constexpr int ZOOM_CHOICES = 6;

// Room kept free right of the view (the panel) and below it (the strip).
constexpr LONG PANEL_MARGIN_SHOWN = 228;
constexpr LONG PANEL_MARGIN_HIDDEN = 24;
constexpr LONG STRIP_MARGIN_SHOWN = 175;
constexpr LONG STRIP_MARGIN_HIDDEN = 20;

// Factor of zoom choice nZoom; out-of-range choices count as x1.
int ZoomFactor(int nZoom);

// The view's scroll offsets in picture pixels ("m_Bai_X", "m_Bai_Y"): the picture
// pixel at the view's top-left corner is (-x, -y).
struct CScrollOffsets {
    double x = 0.0;
    double y = 0.0;
};

// Where the view lies in the window and how it shows the picture.
struct CViewGeometry {
    RECT rcView{};  // client coordinates
    int nZoom = 1;  // zoom choice (0 fits the picture to the view)
    CScrollOffsets offsets;
};

struct CViewLayoutInput {
    RECT rcFrame;        // the view frame's current rectangle (client coordinates)
    RECT rcClient;       // the client area
    int nZoom;           // zoom choice
    int nPictureWidth;   // shown picture
    int nPictureHeight;
    bool bPanelVisible;
    bool bThumbVisible;
};

// The view frame's new rectangle: same top-left corner, sized for the zoom.
RECT LayoutViewFrame(const CViewLayoutInput& in);

// Keeps the offsets in range for a view of rcView showing a W x H picture at factor
// f: above 0 becomes 0, below (view extent / f - picture extent) becomes that bound.
void ClampScrollOffsets(CScrollOffsets& offsets, const RECT& rcView, int nFactor, int nPictureWidth,
                        int nPictureHeight);

// The results list keeps its top and width, sits 12 pixels from the right edge and
// reaches 12 pixels above the bottom.
RECT LayoutResultsList(const RECT& rcList, const RECT& rcClient);

// The strip's group box and scroll bar keep their x and height, end 12 pixels above
// the bottom and are as wide as the client area less the panel's margin.
RECT LayoutStripPart(const RECT& rcPart, const RECT& rcClient, bool bPanelVisible);

// A control of the right-hand panel keeps its top and size and moves so that its
// right edge lies nFromRight pixels left of the client area's right edge.
RECT MovePanelControl(const RECT& rcControl, const RECT& rcClient, LONG nFromRight);

// Picture coordinates (x right, y down, picture pixels) of client point (px, py)
// over the view rcView showing a W x H picture.
void WindowToImage(double px, double py, const RECT& rcView, int nZoom, const CScrollOffsets& offsets,
                   int nPictureWidth, int nPictureHeight, double& x, double& y);

// The client point where picture point (x, y) is shown: the inverse of WindowToImage,
// for drawing over the picture.
void ImageToWindow(double x, double y, const RECT& rcView, int nZoom, const CScrollOffsets& offsets,
                   int nPictureWidth, int nPictureHeight, double& px, double& py);

// A left-button drag that pans a magnified view: the picture point under the pointer
// at the start (the anchor) stays under the pointer while it moves within the view.
class CPanDrag {
public:
    bool IsActive() const { return m_bActive; }
    // Starts a drag at client point (px, py) of a view at zoom choice nZoom scrolled
    // by offsets; a view fitted to the window (ZOOM_FIT) is not panned. Answers
    // whether the drag started.
    bool Begin(int px, int py, int nZoom, const CScrollOffsets& offsets);
    // Follows the pointer to (px, py): moves offsets (kept in range for the W x H
    // picture) and answers true, or ends the drag and answers false when the pointer
    // has left rcView or no drag runs.
    bool Move(int px, int py, const RECT& rcView, int nZoom, int nPictureWidth, int nPictureHeight,
              CScrollOffsets& offsets);
    void End() { m_bActive = false; }

private:
    bool m_bActive = false;
    double m_dAnchorX = 0.0;
    double m_dAnchorY = 0.0;
};

struct CThumbScrollRange {
    bool bShow = false; // scroll bar shown
    int nMax = 0;       // range 0..nMax
    int nPage = 0;      // page size
};

// Scroll range of the thumbnail strip for nThumbs thumbnails in a strip group
// box nGroupWidth pixels wide: a bar only when they do not all fit.
CThumbScrollRange ComputeThumbScrollRange(int nGroupWidth, int nThumbs, bool bThumbVisible);

// Thumbnails that fit side by side in the strip.
int VisibleThumbs(int nGroupWidth);
