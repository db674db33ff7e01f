#include "app/shell/core/view_mouse.h"

#include "app/calib/calib_drag.h"

namespace {

bool InView(const POINT& pt, const RECT& rc)
{
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

EViewCursor ToViewCursor(EMeasureCursor cursor)
{
    switch (cursor) {
    case EMeasureCursor::Arrow: return EViewCursor::Arrow;
    case EMeasureCursor::SizeAll: return EViewCursor::SizeAll;
    case EMeasureCursor::SizeWE: return EViewCursor::SizeWE;
    case EMeasureCursor::SizeNS: return EViewCursor::SizeNS;
    case EMeasureCursor::SizeNESW: return EViewCursor::SizeNESW;
    case EMeasureCursor::SizeNWSE: return EViewCursor::SizeNWSE;
    case EMeasureCursor::Unchanged: break;
    }
    return EViewCursor::Unchanged;
}

EViewCursor ToViewCursor(ECalibCursor cursor)
{
    switch (cursor) {
    case ECalibCursor::SizeAll: return EViewCursor::SizeAll;
    case ECalibCursor::SizeNS: return EViewCursor::SizeNS;
    case ECalibCursor::SizeWE: return EViewCursor::SizeWE;
    case ECalibCursor::None: break;
    }
    return EViewCursor::Unchanged;
}

CViewMouseAnswer FromMeasure(const CMeasureAnswer& measure)
{
    CViewMouseAnswer answer;
    answer.bRepaint = measure.bRepaint;
    answer.cursor = ToViewCursor(measure.cursor);
    return answer;
}

} // namespace

DPOINT CViewMouse::ToImage(const POINT& pt, const CViewMouseEnv& env)
{
    DPOINT p;
    WindowToImage(pt.x, pt.y, env.pView->rcView, env.pView->nZoom, env.pView->offsets, env.nPictureWidth,
                  env.nPictureHeight, p.x, p.y);
    return p;
}

CMeasureEnv CViewMouse::MeasureEnv(const CViewMouseEnv& env) const
{
    CMeasureEnv measure;
    measure.pCalib = env.pCalib;
    measure.nPictureWidth = env.nPictureWidth;
    measure.nPictureHeight = env.nPictureHeight;
    measure.dTolerance =
        HitTolerance(env.pView->nZoom, env.pView->rcView.right - env.pView->rcView.left, env.nPictureWidth);
    return measure;
}

CViewMouseAnswer CViewMouse::OnLButtonDown(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    CViewMouseAnswer answer;
    if (!InView(pt, env.pView->rcView))
        return answer;
    const DPOINT p = ToImage(pt, env);
    // The calibration rectangle's handles come first, while its dialog is open.
    if (env.bCalibDialogOpen) {
        const int nMode = BeginCalibDrag(*env.pCalib, p.x, p.y);
        if (nMode != CALDRAG_NONE) {
            answer.cursor = ToViewCursor(CalibDragCursor(nMode));
            return answer;
        }
    }
    // Then the scale bar, while it is shown.
    if (BeginScaleDrag(*env.pScale, p.x, p.y)) {
        answer.cursor = EViewCursor::SizeAll;
        return answer;
    }
    const CMeasureAnswer measure = m_Measure.OnLButtonDown(p, env.pView->nZoom != ZOOM_FIT);
    answer = FromMeasure(measure);
    if (measure.bStartPan)
        m_Pan.Begin(pt.x, pt.y, env.pView->nZoom, env.pView->offsets);
    return answer;
}

CViewMouseAnswer CViewMouse::OnLButtonUp(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    // Every left-button drag ends here.
    const bool bWasDragging = m_Pan.IsActive() || env.pCalib->m_nDragMode != CALDRAG_NONE || env.pScale->bDrag;
    m_Pan.End();
    EndCalibDrag(*env.pCalib);
    EndScaleDrag(*env.pScale);
    CViewMouseAnswer answer = FromMeasure(m_Measure.OnLButtonUp(ToImage(pt, env), MeasureEnv(env)));
    if (bWasDragging && answer.cursor == EViewCursor::Unchanged)
        answer.cursor = EViewCursor::Arrow;
    return answer;
}

CViewMouseAnswer CViewMouse::OnLButtonDblClk(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    return FromMeasure(m_Measure.OnLButtonDblClk(MeasureEnv(env)));
}

CViewMouseAnswer CViewMouse::OnRButtonDown(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    if (!InView(pt, env.pView->rcView))
        return CViewMouseAnswer{};
    return FromMeasure(m_Measure.OnRButtonDown(ToImage(pt, env), MeasureEnv(env)));
}

CViewMouseAnswer CViewMouse::OnRButtonUp(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    return FromMeasure(m_Measure.OnRButtonUp(MeasureEnv(env)));
}

CViewMouseAnswer CViewMouse::OnMouseMove(const POINT& pt, const CViewMouseEnv& env)
{
    m_ptLast = pt;
    CViewMouseAnswer answer;
    // An item being entered follows the pointer; nothing else moves meanwhile.
    if (m_Measure.IsEntering()) {
        answer.bRepaint = true;
        return answer;
    }
    if (m_Pan.IsActive()) {
        if (m_Pan.Move(pt.x, pt.y, env.pView->rcView, env.pView->nZoom, env.nPictureWidth, env.nPictureHeight,
                       env.pView->offsets)) {
            answer.bRepaint = true;
            answer.bViewMoved = true;
            answer.cursor = EViewCursor::Pan;
        } else {
            answer.cursor = EViewCursor::Arrow; // the pointer left the view: the pan has ended
        }
        return answer;
    }
    const DPOINT p = ToImage(pt, env);
    if (env.pCalib->m_nDragMode != CALDRAG_NONE) {
        answer.bCalibMoved = MoveCalibDrag(*env.pCalib, p.x, p.y);
        answer.bRepaint = true;
        answer.cursor = ToViewCursor(CalibDragCursor(env.pCalib->m_nDragMode));
        return answer;
    }
    if (env.pScale->bDrag) {
        MoveScaleDrag(*env.pScale, p.x, p.y);
        answer.bScaleMoved = true;
        answer.bRepaint = true;
        answer.cursor = EViewCursor::SizeAll;
        return answer;
    }
    answer = FromMeasure(m_Measure.OnMouseMove(p, MeasureEnv(env)));
    // Hovering outside the view shows the arrow; a drag goes on wherever the pointer is.
    if (!InView(pt, env.pView->rcView) && answer.cursor != EViewCursor::Unchanged && !answer.bRepaint)
        answer.cursor = EViewCursor::Arrow;
    return answer;
}
