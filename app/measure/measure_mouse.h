// CMeasureMouse: the measuring tools driven by the mouse. Left clicks enter the points
// of the active tool and finish its items, a double click closes a polygon, the right
// button drags finished items and ends the perpendicular tool; hovering shows what a
// right press would take. Points arrive in picture pixels; the answers say what to
// repaint and which cursor to show.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_state.h"
#include "app/measure/result_rows_sink.h"

enum class EMeasureCursor {
    Unchanged,
    Arrow,    // over nothing
    SizeAll,  // over or dragging a point, a centre
    SizeWE,   // over or dragging a circumference, by its direction from the centre
    SizeNS,
    SizeNESW,
    SizeNWSE,
};

// What an event asks of the window.
struct CMeasureAnswer {
    bool bRepaint = false;   // the view shows something new
    bool bStartPan = false;  // a left press that starts panning a magnified view
    EMeasureCursor cursor = EMeasureCursor::Unchanged;
};

// What each event needs to know of the window: the selected calibration entry, the
// shown picture's size (polygons are counted on it) and the hit tolerance.
struct CMeasureEnv {
    const CCalibEntry* pCalib = nullptr;
    int nPictureWidth = 0;
    int nPictureHeight = 0;
    double dTolerance = 10.0; // picture pixels
};

// Ten window pixels in picture pixels: picture width / view width x 10 when fitted
// (zoom choice 0), else 10 / the zoom factor.
double HitTolerance(int nZoom, int nViewWidth, int nPictureWidth);

// The circumference cursor for pointer p around centre c, by 45-degree sectors of the
// direction (counter-clockwise from +x, y up); Unchanged when p shares c's x or y.
EMeasureCursor CircumferenceCursor(const DPOINT& c, const DPOINT& p);

class CMeasureMouse {
public:
    CMeasureMouse(CMeasureState& state, IResultRows& rows) : m_State(state), m_Rows(rows) {}

    // A tool button: starts entering with tool nTool (TOOL_NONE ends the tool).
    void SelectTool(MeasureTool nTool);
    bool IsEntering() const { return m_State.IsEntering(); }

    // A left press in the view that no calibration or scale-bar handle took. The line
    // tool takes its first point; otherwise a magnified view (bZoomed) starts panning.
    CMeasureAnswer OnLButtonDown(const DPOINT& p, bool bZoomed);
    // A left release, anywhere: the active tool takes the point and finishes an item
    // once it has its points (the perpendicular tool adds one per release from the third).
    CMeasureAnswer OnLButtonUp(const DPOINT& p, const CMeasureEnv& env);
    // A double click: closes the polygon being entered.
    CMeasureAnswer OnLButtonDblClk(const CMeasureEnv& env);
    // A right press in the view: takes the finished item under the pointer for a drag.
    CMeasureAnswer OnRButtonDown(const DPOINT& p, const CMeasureEnv& env);
    // A move with no tool active and no pan or handle drag: drags the item taken, or
    // answers the cursor of what is under the pointer.
    CMeasureAnswer OnMouseMove(const DPOINT& p, const CMeasureEnv& env);
    // A right release: ends the perpendicular tool, or the drag (a polygon is counted again).
    CMeasureAnswer OnRButtonUp(const CMeasureEnv& env);

private:
    // Appends a finished copy of item with its rows.
    void Store(MeasureItem& item, const CMeasureEnv& env);
    void MoveDraggedItem(const DPOINT& p, const CMeasureEnv& env, CMeasureAnswer& answer);

    CMeasureState& m_State;
    IResultRows& m_Rows;
};
