// The mouse in the picture view: each Qt event goes to the view's mouse rules (the
// calibration handles, the measuring tools, panning) and the window applies the answer.
#include "app/shell/viewer_dlg.h"

#include "app/shell/qt_geometry.h"

#include <QMouseEvent>

namespace {

POINT ToPoint(const QPoint& point) { return POINT{point.x(), point.y()}; }

} // namespace

void CViewerDlg::mousePressEvent(QMouseEvent* pEvent)
{
    if (OnStripMouse(pEvent))
        return;
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown(pEvent->position().toPoint());
    else if (pEvent->button() == Qt::RightButton)
        OnRButtonDown(pEvent->position().toPoint());
    QDialog::mousePressEvent(pEvent);
}

void CViewerDlg::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (OnStripMouse(pEvent))
        return;
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonUp(pEvent->position().toPoint());
    else if (pEvent->button() == Qt::RightButton)
        OnRButtonUp(pEvent->position().toPoint());
    QDialog::mouseReleaseEvent(pEvent);
}

void CViewerDlg::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    if (OnStripMouse(pEvent))
        return;
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDblClk(pEvent->position().toPoint());
    QDialog::mouseDoubleClickEvent(pEvent);
}

void CViewerDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (OnStripMouse(pEvent))
        return;
    OnMouseMove(pEvent->position().toPoint());
    QDialog::mouseMoveEvent(pEvent);
}

void CViewerDlg::OnLButtonDown(const QPoint& point) { HandleMouse(&CViewMouse::OnLButtonDown, point); }
void CViewerDlg::OnLButtonUp(const QPoint& point) { HandleMouse(&CViewMouse::OnLButtonUp, point); }
void CViewerDlg::OnLButtonDblClk(const QPoint& point) { HandleMouse(&CViewMouse::OnLButtonDblClk, point); }
void CViewerDlg::OnRButtonDown(const QPoint& point) { HandleMouse(&CViewMouse::OnRButtonDown, point); }
void CViewerDlg::OnRButtonUp(const QPoint& point) { HandleMouse(&CViewMouse::OnRButtonUp, point); }
void CViewerDlg::OnMouseMove(const QPoint& point) { HandleMouse(&CViewMouse::OnMouseMove, point); }

void CViewerDlg::HandleMouse(MouseRule rule, const QPoint& point)
{
    // Only the UI thread changes the view, so reading it and writing it back is safe.
    CViewGeometry view = m_LiveView.View();
    const CDibImage& shown = m_LiveView.ShownImage();
    CViewMouseEnv env;
    env.pView = &view;
    env.nPictureWidth = shown.Width();
    env.nPictureHeight = shown.Height();
    env.pCalib = &SelectedCalib();
    env.bCalibDialogOpen = m_CalibDlg.IsOpen();
    const CScaleData scaleBefore = m_Settings.Read([](const CViewerSettings& s) { return s.m_ScaleData; });
    CScaleData scale = scaleBefore;
    env.pScale = &scale;
    const MeasureTool nToolBefore = m_Measure.m_CurMeasure.Type;
    const CViewMouseAnswer answer = (m_ViewMouse.*rule)(ToPoint(point), env);
    // A finished item ends its tool: the tool's button loses its green dot.
    if (m_Measure.m_CurMeasure.Type != nToolBefore)
        UpdateToolButtons();

    if (answer.bViewMoved)
        m_LiveView.SetView(view);
    if (answer.bCalibMoved)
        m_CalibDlg.OnFieldChange();
    // The bar moved, or its drag began or ended.
    if (!(scale == scaleBefore))
        SetScaleData(scale);
    switch (answer.cursor) {
    case EViewCursor::Unchanged: break;
    case EViewCursor::Arrow: unsetCursor(); break;
    case EViewCursor::Pan: setCursor(m_Art.m_PanCursor); break;
    case EViewCursor::SizeAll: setCursor(Qt::SizeAllCursor); break;
    case EViewCursor::SizeWE: setCursor(Qt::SizeHorCursor); break;
    case EViewCursor::SizeNS: setCursor(Qt::SizeVerCursor); break;
    case EViewCursor::SizeNESW: setCursor(Qt::SizeBDiagCursor); break;
    case EViewCursor::SizeNWSE: setCursor(Qt::SizeFDiagCursor); break;
    }
    if (answer.bRepaint)
        update(ToQRect(view.rcView));
    ShowResults();
}
