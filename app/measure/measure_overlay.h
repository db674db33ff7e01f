// The measurement overlay: lines, circles, marks and value labels of the finished items
// and of the item being entered, drawn through a canvas over a picture shown at some
// scale and scroll position (the view on screen, or the picture itself when saved).
#pragma once

#include "app/measure/measure_canvas.h"
#include "app/measure/measure_list.h"

// Where and how one drawing pass draws. Drawing positions are relative to the
// destination's top-left corner: picture point P lands at
// ((int)(sx (P.x + panX)), (int)(sy (P.y + panY))).
struct COverlayView {
    int nDestWidth = 0;  // the destination's size
    int nDestHeight = 0;
    double sx = 1.0;     // scale: the zoom factor, or destination / picture size when fitted
    double sy = 1.0;
    double panX = 0.0;   // scroll offsets (0 when fitted)
    double panY = 0.0;
    POINT ptPointer{};   // the pointer, relative to the destination, unscaled
    DPOINT pointerImage; // the pointer in picture pixels
    int nBaseLineHeight = 480; // where slanted base lines end: the camera's frame height
    COLORREF clrLine = 65280;
    COLORREF clrText = 16776960;
    bool bJapanese = false; // the angle's unit text: "degree" or "°"
};

// Every finished item in list order (items without a type or points are skipped), with
// its label. A perpendicular's foot is computed again and stored as its Points[3].
void DrawMeasurements(IMeasureCanvas& canvas, CMeasureList& list, const COverlayView& view);

// The item being entered (Type > 0), up to the pointer; only when it has points.
void DrawCurrentMeasure(IMeasureCanvas& canvas, const MeasureItem& item, const COverlayView& view);

// One item, finished (with its label) or being entered.
void DrawMeasureItem(IMeasureCanvas& canvas, MeasureItem& item, const COverlayView& view);

// A finished item's label text for Value[nValue]: "%.2fcm", "%.3fmm", "%.2fum" (areas
// with a "2"), angles "%.1f" followed by "degree" or "°"; "" for an unknown unit.
std::string MeasureLabel(const MeasureItem& item, int nValue, bool bJapanese);
