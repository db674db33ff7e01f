// The mouse in the picture view: the calibration rectangle's handles while its dialog
// is open, and panning a magnified view with the left button.
#include "app/shell/viewer_dlg.h"

#include "app/calib/calib_drag.h"
#include "app/shell/qt_geometry.h"

#include <QComboBox>
#include <QMouseEvent>

bool CViewerDlg::IsInView(const QPoint& point) const
{
    return ToQRect(m_LiveView.View().rcView).contains(point);
}

void CViewerDlg::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown(pEvent->position().toPoint());
    QDialog::mousePressEvent(pEvent);
}

void CViewerDlg::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonUp(pEvent->position().toPoint());
    QDialog::mouseReleaseEvent(pEvent);
}

void CViewerDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(pEvent->position().toPoint());
    QDialog::mouseMoveEvent(pEvent);
}

DPOINT CViewerDlg::ViewToImage(const QPoint& point) const
{
    const CViewGeometry view = m_LiveView.View();
    const CDibImage& shown = m_LiveView.ShownImage();
    DPOINT p;
    WindowToImage(point.x(), point.y(), view.rcView, view.nZoom, view.offsets, shown.Width(), shown.Height(), p.x,
                  p.y);
    return p;
}

void CViewerDlg::SetCalibCursor(int nDragMode)
{
    switch (CalibDragCursor(nDragMode)) {
    case ECalibCursor::SizeAll: setCursor(Qt::SizeAllCursor); break;
    case ECalibCursor::SizeNS: setCursor(Qt::SizeVerCursor); break;
    case ECalibCursor::SizeWE: setCursor(Qt::SizeHorCursor); break;
    case ECalibCursor::None: unsetCursor(); break;
    }
}

void CViewerDlg::OnLButtonDown(const QPoint& point)
{
    if (!IsInView(point))
        return;
    // The calibration rectangle's handles come before anything else.
    if (m_CalibDlg.IsOpen()) {
        const DPOINT p = ViewToImage(point);
        const int nMode = BeginCalibDrag(SelectedCalib(), p.x, p.y);
        if (nMode != CALDRAG_NONE) {
            SetCalibCursor(nMode);
            return;
        }
    }
    m_Pan.Begin(point.x(), point.y(), m_Controls.m_cbZoom->currentIndex(), m_LiveView.View().offsets);
}

void CViewerDlg::OnLButtonUp(const QPoint&)
{
    EndCalibDrag(SelectedCalib());
    m_Pan.End();
    unsetCursor();
}

void CViewerDlg::OnMouseMove(const QPoint& point)
{
    CCalibEntry& calib = SelectedCalib();
    if (calib.m_nDragMode != CALDRAG_NONE && !m_Measure.IsEntering()) {
        const DPOINT p = ViewToImage(point);
        if (MoveCalibDrag(calib, p.x, p.y))
            m_CalibDlg.OnFieldChange();
        SetCalibCursor(calib.m_nDragMode);
        update(ToQRect(m_LiveView.View().rcView));
        return;
    }
    if (!m_Pan.IsActive())
        return;
    const CDibImage& shown = m_LiveView.ShownImage();
    // Only the UI thread changes the view, so reading it and writing it back is safe.
    CViewGeometry view = m_LiveView.View();
    if (!m_Pan.Move(point.x(), point.y(), view.rcView, view.nZoom, shown.Width(), shown.Height(), view.offsets)) {
        unsetCursor(); // the pointer left the view: the pan has ended
        return;
    }
    m_LiveView.SetView(view);
    setCursor(m_Art.m_PanCursor);
    update(ToQRect(view.rcView));
}
