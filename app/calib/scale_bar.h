// The scale bar burnt into saved pictures: its data (persisted and runtime fields), its
// drawing through a canvas, its placement by the scale dialog's position choice, and
// its drag in the picture view, all in picture pixels.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_canvas.h"
#include "platform/win_types.h"

#include <string>

// Kinds of bar (Type).
constexpr int SCALE_TYPE_X = 0;  // horizontal bar with a tick at both ends
constexpr int SCALE_TYPE_XY = 1; // horizontal bar and a vertical arm rising from its right end
constexpr int SCALE_TYPE_COUNT = 2;

// The position choices of the scale dialog, in list order.
constexpr int SCALE_POS_UPPER_LEFT = 0;
constexpr int SCALE_POS_LOWER_LEFT = 1;
constexpr int SCALE_POS_UPPER_RIGHT = 2;
constexpr int SCALE_POS_LOWER_RIGHT = 3;
constexpr int SCALE_POS_CENTER = 4;
constexpr int SCALE_POS_COUNT = 5;

// Corner placements keep the bar's outer end this many pixels from the picture's edges.
constexpr int SCALE_EDGE_MARGIN = 50;

// The main window's m_ScaleData. Visible, Type, Pos, Size, Scale.x and Scalexy are named
// like their keys in Vexilo.ini ("m_ScaleData.Pos.x", ...); the others live only while
// the program runs.
struct CScaleData {
    int Visible = 0;         // 1 (any non-zero value): the bar is drawn and can be dragged
    int Type = SCALE_TYPE_X;
    int Unit = 0;            // unit code of the selected calibration entry (0 cm, 1 mm, 2 um)
    POINT Pos{590, 430};     // right end of the bar, foot of the arm; 640 - 50, 480 - 50
    SIZE Size{10, 10};       // real lengths of the bar (cx) and of the arm (cy), in Unit
    struct CScaleX {
        double x = 10.0;
        friend bool operator==(const CScaleX&, const CScaleX&) = default;
    } Scale;                 // stored and read back only
    double Scalexy = 10.0;   // stored and read back only
    // Units per pixel of the selected calibration entry; 0 until the first recalculation
    // copies them, and a zero factor leaves the bar undrawn.
    double MppX = 0.0;
    double MppY = 0.0;
    bool bDrag = false;      // a drag of the bar in the view is in progress
    SIZE DragOffset{};       // mouse minus anchor, kept during a drag
};

// Field by field (POINT and SIZE have no comparison of their own).
bool operator==(const CScaleData& a, const CScaleData& b);

// The calibration entry in force gives the bar its factors (MppX, MppY) and its Unit.
void SetScaleCalibration(CScaleData& data, const CCalibEntry& calib);

// The bar's text, "%.2f%s" of Size.cx and the unit text ("10.00mm"), with a decimal
// point whatever the locale.
std::string ScaleBarLabel(const CScaleData& data);

// Draws the bar when Visible, with a solid 1-pixel pen in clrLine and the label in
// clrText. Picture point (px, py) is drawn at ((int)((px + ox) sx), (int)((py + oy) sy)).
// Nothing is drawn when a length the bar needs is not a finite pixel count (a zero
// factor) or a position falls outside the integer range.
void DrawScaleBar(IMeasureCanvas& canvas, const CScaleData& data, double sx, double sy, double ox, double oy,
                  COLORREF clrLine, COLORREF clrText);

// The dialog's position choice nPosition (SCALE_POS_...) for real lengths nX, nY on a
// picture of nImageWidth x nImageHeight: sets Pos so that the bar sits in that corner
// 50 pixels from the edges (or at the centre), then Size := (nX, nY). False, with
// nothing changed, for an unknown choice or when a length needed in pixels is not
// finite (a zero factor).
bool PlaceScaleBar(CScaleData& data, int nPosition, int nX, int nY, int nImageWidth, int nImageHeight);

// A press at picture point (x, y) while the bar is Visible: on the horizontal bar
// (strictly between its ends, less than 5 pixels above or below) the drag starts
// keeping the horizontal offset; else, for an X-Y bar, on the arm (less than 5 pixels
// beside it, strictly between its ends) it starts keeping the vertical offset. Answers
// whether the press was taken (the view then shows the four-headed arrow).
bool BeginScaleDrag(CScaleData& data, double x, double y);

// A move to (x, y) while bDrag: the anchor follows the pointer minus the offset, so a
// bar grabbed on its horizontal part sits on the pointer's row, an arm on its column.
// Nothing happens without a drag (or for a point outside the integer range).
void MoveScaleDrag(CScaleData& data, double x, double y);

// The release: the drag ends.
inline void EndScaleDrag(CScaleData& data) { data.bDrag = false; }

// Whole-text integer parse of the dialog's X and Y fields: blanks around it allowed, an
// optional sign, decimal digits within the int range; false for anything else,
// including an empty field.
bool ParseScaleInt(const std::string& szText, int& nValue);
