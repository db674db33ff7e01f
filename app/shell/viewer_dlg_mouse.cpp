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
    if (IsInView(point))
        m_Pan.Begin(point.x(), point.y(), m_Controls.m_cbZoom->currentIndex(), m_LiveView.View().offsets);
}

void CViewerDlg::OnLButtonUp(const QPoint&)
{
    m_Pan.End();
    unsetCursor();
}

void CViewerDlg::OnMouseMove(const QPoint& point)
{
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
