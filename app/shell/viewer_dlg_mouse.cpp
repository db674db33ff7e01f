// The mouse in the picture view: panning a magnified view with the left button.
#include "app/shell/viewer_dlg.h"

#include "app/shell/qt_geometry.h"

#include <QComboBox>
#include <QMouseEvent>

bool CViewerDlg::IsInView(const QPoint& point) const
{
    return ToQRect(ViewSnapshot().rcView).contains(point);
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
        m_bPanning = 1;
        m_PanAnchor = BeginPan(point.x(), point.y(), ZoomFactor(nZoom), ViewSnapshot().offsets);
    }
}

void CViewerDlg::OnLButtonUp(const QPoint&)
{
    m_bPanning = 0;
    unsetCursor();
}

void CViewerDlg::OnMouseMove(const QPoint& point)
{
    if (!m_bPanning)
        return;
    if (!IsInView(point)) {
        // Leaving the view ends the pan.
        m_bPanning = 0;
        unsetCursor();
        return;
    }
    const CDibImage& shown = ShownImage();
    {
        std::lock_guard lock(m_ViewMutex);
        MovePan(point.x(), point.y(), ZoomFactor(m_View.nZoom), m_PanAnchor, m_View.rcView, shown.Width(),
                shown.Height(), m_View.offsets);
    }
    setCursor(m_PanCursor);
    update(ToQRect(ViewSnapshot().rcView));
}
