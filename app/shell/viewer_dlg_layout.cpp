// The main window's layout: the view sized for the zoom, the panel and the strip
// following the window's edges, the two toggles and the strip's scroll bar.
#include "app/shell/viewer_dlg.h"

#include "app/calib/calib_drag.h"
#include "app/shell/core/main_window_template.h"
#include "app/dialogs/dib_qimage.h"
#include "app/measure/measure_overlay.h"
#include "app/res/ui_texts.h"
#include "app/shell/qt_canvas.h"
#include "app/shell/qt_geometry.h"

#include <QComboBox>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableWidget>

namespace {

// Controls the panel toggle shows and hides.
constexpr int s_PanelControls[] = {
    IDC_LOAD_GROUP, IDC_DIR,   IDC_SAVE,  IDC_LIVE,  IDC_THUMB,     IDC_TYPE,        IDC_SET,
    IDC_WB,         IDC_ZOOM,  IDC_TOOL_GROUP, IDC_LINE, IDC_CIRCLE2, IDC_ARIA,      IDC_SUI,
    IDC_DELETE,     IDC_CIRCLE, IDC_ANGLE, IDC_CLEAR, IDC_COLOR,     IDC_CALIB,       IDC_CSV,
    IDC_SCALE,      IDC_CALIB_LABEL, IDC_CALIB_COMBO, IDC_RESULTS,
};

} // namespace

void CViewerDlg::resizeEvent(QResizeEvent* pEvent)
{
    QDialog::resizeEvent(pEvent);
    OnSize();
}

void CViewerDlg::OnSize()
{
    QWidget* pFrame = GetDlgItem(IDC_VIEW_FRAME);
    if (pFrame == nullptr)
        return;
    const RECT rcClient = ToRect(rect());
    for (const CPanelOffset& offset : PanelRightOffsets()) {
        QWidget* pControl = GetDlgItem(offset.nId);
        pControl->setGeometry(ToQRect(MovePanelControl(ToRect(pControl->geometry()), rcClient, offset.nFromRight)));
    }
    QWidget* pStripToggle = GetDlgItem(IDC_STRIP_TOGGLE);
    pStripToggle->move(pStripToggle->x(), rcClient.bottom - pStripToggle->height());
    RecalcLayout();
    update();
}

void CViewerDlg::RecalcLayout()
{
    const RECT rcClient = ToRect(rect());
    const CDibImage& shown = m_LiveView.ShownImage();
    const int nZoom = m_Controls.m_cbZoom->currentIndex();
    QWidget* pFrame = GetDlgItem(IDC_VIEW_FRAME);
    const CViewLayoutInput in{ToRect(pFrame->geometry()), rcClient, nZoom, shown.Width(), shown.Height(),
                             m_bPanelVisible != 0, m_bThumbVisible != 0};
    const RECT rcView = LayoutViewFrame(in);
    pFrame->setGeometry(ToQRect(rcView));

    m_Controls.m_lcResults->setGeometry(ToQRect(LayoutResultsList(ToRect(m_Controls.m_lcResults->geometry()), rcClient)));
    for (int nId : {IDC_STRIP_GROUP, IDC_STRIP_SCROLL}) {
        QWidget* pPart = GetDlgItem(nId);
        pPart->setGeometry(ToQRect(LayoutStripPart(ToRect(pPart->geometry()), rcClient, m_bPanelVisible != 0)));
    }
    UpdateThumbScrollRange();

    CViewGeometry view = m_LiveView.View();
    ClampScrollOffsets(view.offsets, rcView, ZoomFactor(nZoom), shown.Width(), shown.Height());
    view.rcView = rcView;
    view.nZoom = nZoom;
    m_LiveView.SetView(view);
}

void CViewerDlg::OnZoomChanged()
{
    RecalcLayout();
    m_bRepaintAll = 1;
}

void CViewerDlg::OnPanelToggle()
{
    m_bPanelVisible = !m_bPanelVisible;
    for (int nId : s_PanelControls)
        GetDlgItem(nId)->setVisible(m_bPanelVisible != 0);
    RecalcLayout();
    m_bRepaintAll = 1;
}

void CViewerDlg::OnStripToggle()
{
    m_bThumbVisible = !m_bThumbVisible;
    GetDlgItem(IDC_STRIP_SCROLL)->setVisible(m_bThumbVisible != 0);
    GetDlgItem(IDC_STRIP_GROUP)->setVisible(m_bThumbVisible != 0);
    RecalcLayout();
    m_bRepaintAll = 1;
}

void CViewerDlg::UpdateThumbScrollRange()
{
    const QWidget* pGroup = GetDlgItem(IDC_STRIP_GROUP);
    const CThumbScrollRange range = ComputeThumbScrollRange(pGroup->width(), m_Thumbs.Count(), m_bThumbVisible != 0);
    m_Controls.m_sbStrip->setVisible(range.bShow);
    // The range 0..nMax with a page of nPage lets the thumb reach nMax - nPage + 1.
    m_Controls.m_sbStrip->setRange(0, std::max(0, range.nMax - range.nPage + 1));
    m_Controls.m_sbStrip->setPageStep(range.nPage);
}

void CViewerDlg::OnStripScrollAction(int nAction)
{
    // A page moves by the thumbnails that fit, not by the page size.
    const int nVisible = VisibleThumbs(GetDlgItem(IDC_STRIP_GROUP)->width());
    if (nAction == QAbstractSlider::SliderPageStepAdd)
        m_Controls.m_sbStrip->setSliderPosition(m_Controls.m_sbStrip->value() + nVisible);
    else if (nAction == QAbstractSlider::SliderPageStepSub)
        m_Controls.m_sbStrip->setSliderPosition(m_Controls.m_sbStrip->value() - nVisible);
    GetDlgItem(IDC_STRIP_GROUP)->update();
}

void CViewerDlg::PaintView(QPainter& painter)
{
    const QRect rcView = ToQRect(m_LiveView.View().rcView);
    if (const CDibImage* pPicture = m_LiveView.TakeViewPicture())
        DrawDib(painter, rcView.topLeft(), *pPicture);
    else
        painter.fillRect(rcView, Qt::black);
    PaintOverlay(painter);
    if (m_CalibDlg.IsOpen())
        PaintCalibRect(painter);
}

COverlayView CViewerDlg::ViewOverlay() const
{
    COverlayView overlay;
    m_Settings.Read([&overlay](const CViewerSettings& s) {
        overlay.nBaseLineHeight = s.EV;
        overlay.clrLine = s.m_clrLine;
        overlay.clrText = s.m_clrText;
    });
    overlay.bJapanese = g_bJapanese != 0;
    const CViewGeometry view = m_LiveView.View();
    const CDibImage& shown = m_LiveView.ShownImage();
    overlay.nDestWidth = view.rcView.right - view.rcView.left;
    overlay.nDestHeight = view.rcView.bottom - view.rcView.top;
    if (overlay.nDestWidth <= 0 || overlay.nDestHeight <= 0 || shown.Width() <= 0 || shown.Height() <= 0)
        return overlay;
    if (view.nZoom == ZOOM_FIT) {
        overlay.sx = static_cast<double>(overlay.nDestWidth) / shown.Width();
        overlay.sy = static_cast<double>(overlay.nDestHeight) / shown.Height();
    } else {
        overlay.sx = overlay.sy = ZoomFactor(view.nZoom);
        overlay.panX = view.offsets.x;
        overlay.panY = view.offsets.y;
    }
    const POINT pointer = m_ViewMouse.LastPoint();
    overlay.ptPointer = POINT{pointer.x - view.rcView.left, pointer.y - view.rcView.top};
    WindowToImage(pointer.x, pointer.y, view.rcView, view.nZoom, view.offsets, shown.Width(), shown.Height(),
                  overlay.pointerImage.x, overlay.pointerImage.y);
    return overlay;
}

void CViewerDlg::PaintOverlay(QPainter& painter)
{
    const COverlayView overlay = ViewOverlay();
    if (overlay.nDestWidth <= 0 || overlay.nDestHeight <= 0 || m_LiveView.ShownImage().Width() <= 0)
        return;
    // The overlay is drawn relative to the view's corner and clipped to it.
    const RECT rcView = m_LiveView.View().rcView;
    painter.save();
    painter.setClipRect(ToQRect(rcView));
    painter.translate(rcView.left, rcView.top);
    CQtCanvas canvas(painter);
    DrawMeasurements(canvas, m_Measure.m_MeasureList, overlay);
    // The bar as saved pictures will carry it, shown while it is visible.
    const CScaleData scale = m_Settings.Read([](const CViewerSettings& s) { return s.m_ScaleData; });
    DrawScaleBar(canvas, scale, overlay.sx, overlay.sy, overlay.panX, overlay.panY, overlay.clrLine, overlay.clrText);
    DrawCurrentMeasure(canvas, m_Measure.m_CurMeasure, overlay);
    painter.restore();
}

void CViewerDlg::PaintCalibRect(QPainter& painter)
{
    const CViewGeometry view = m_LiveView.View();
    const CDibImage& shown = m_LiveView.ShownImage();
    auto toWindow = [&](const DPOINT& p) {
        QPointF q;
        ImageToWindow(p.x, p.y, view.rcView, view.nZoom, view.offsets, shown.Width(), shown.Height(), q.rx(), q.ry());
        return q;
    };
    const CCalibEntry& calib = SelectedCalib();
    const COLORREF clrLine = m_Settings.Read([](const CViewerSettings& s) { return s.m_clrLine; });
    const QColor line(GetRValue(clrLine), GetGValue(clrLine), GetBValue(clrLine));
    painter.save();
    painter.setClipRect(ToQRect(view.rcView));
    painter.setPen(QPen(line, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(toWindow(DPOINT{calib.m_dLeft, calib.m_dTop}),
                            toWindow(DPOINT{calib.m_dRight, calib.m_dBottom})));
    // The handles: filled squares where a press takes them.
    DPOINT handles[5];
    CalibHandlePoints(calib, handles);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(line);
    for (const DPOINT& handle : handles)
        painter.drawRect(QRectF(toWindow(handle) - QPointF(3.5, 3.5), QSizeF(7, 7)));
    painter.restore();
}
