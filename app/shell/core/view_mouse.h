// CViewMouse: the mouse in the picture view, in the order its drags are tried: the
// calibration rectangle's handles while the calibration dialog is open, the scale bar
// while it is shown, the measuring tools, and panning a magnified view. The window hands it every mouse event in client
// coordinates and applies what it answers.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/calib/scale_bar.h"
#include "app/measure/measure_mouse.h"
#include "app/shell/core/view_layout.h"

enum class EViewCursor {
    Unchanged,
    Arrow,
    Pan, // the pointing hand of panning
    SizeAll,
    SizeWE,
    SizeNS,
    SizeNESW,
    SizeNWSE,
};

// What an event asks of the window.
struct CViewMouseAnswer {
    bool bRepaint = false;    // repaint the view
    bool bViewMoved = false;  // the scroll offsets changed (in the view handed in)
    bool bCalibMoved = false; // the calibration rectangle moved: refresh the dialog
    bool bScaleMoved = false; // the scale bar moved (in the scale data handed in)
    EViewCursor cursor = EViewCursor::Unchanged;
};

// What each event needs of the window. The view's offsets are changed in place by panning.
struct CViewMouseEnv {
    CViewGeometry* pView = nullptr;
    int nPictureWidth = 0; // the shown picture
    int nPictureHeight = 0;
    CCalibEntry* pCalib = nullptr; // the selected calibration entry
    bool bCalibDialogOpen = false;
    CScaleData* pScale = nullptr; // the scale bar, moved in place by its drag
};

class CViewMouse {
public:
    explicit CViewMouse(CMeasureMouse& measure) : m_Measure(measure) {}

    CViewMouseAnswer OnLButtonDown(const POINT& pt, const CViewMouseEnv& env);
    CViewMouseAnswer OnLButtonUp(const POINT& pt, const CViewMouseEnv& env);
    CViewMouseAnswer OnLButtonDblClk(const POINT& pt, const CViewMouseEnv& env);
    CViewMouseAnswer OnRButtonDown(const POINT& pt, const CViewMouseEnv& env);
    CViewMouseAnswer OnRButtonUp(const POINT& pt, const CViewMouseEnv& env);
    CViewMouseAnswer OnMouseMove(const POINT& pt, const CViewMouseEnv& env);

    // The pointer as the last event saw it, for drawing the item being entered up to it.
    POINT LastPoint() const { return m_ptLast; }
    bool IsPanning() const { return m_Pan.IsActive(); }

    // The picture point shown at client point pt.
    static DPOINT ToImage(const POINT& pt, const CViewMouseEnv& env);

private:
    CMeasureEnv MeasureEnv(const CViewMouseEnv& env) const;

    CMeasureMouse& m_Measure;
    CPanDrag m_Pan;
    POINT m_ptLast{};
};
