// The mouse in the picture view: panning a magnified view with the left button.
#include "app/shell/viewer_dlg.h"

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

void CViewerDlg::OnLButtonDown(const QPoint& point)
{
    if (!IsInView(point))
        return;
    const int nZoom = m_cbZoom->currentIndex();
    if (nZoom != ZOOM_FIT) {
        m_bPanning = true;
        m_PanAnchor = BeginPan(point.x(), point.y(), ZoomFactor(nZoom), m_LiveView.View().offsets);
    }
}

void CViewerDlg::OnLButtonUp(const QPoint&)
{
    m_bPanning = false;
    unsetCursor();
}

void CViewerDlg::OnMouseMove(const QPoint& point)
{
    if (!m_bPanning)
        return;
    if (!IsInView(point)) {
        // Leaving the view ends the pan.
        m_bPanning = false;
        unsetCursor();
        return;
    }
    const CDibImage& shown = m_LiveView.ShownImage();
    // Only the UI thread changes the view, so reading and writing it back is safe.
    CViewGeometry view = m_LiveView.View();
    MovePan(point.x(), point.y(), ZoomFactor(view.nZoom), m_PanAnchor, view.rcView, shown.Width(), shown.Height(),
            view.offsets);
    m_LiveView.SetView(view);
    setCursor(m_PanCursor);
    update(ToQRect(view.rcView));
}
