#include "app/shell/core/view_layout.h"

#include <algorithm>
#include <iterator>

int ZoomFactor(int nZoom)
{
    if (nZoom < 0 || nZoom >= static_cast<int>(std::size(s_nZoomFactor)))
        return 1;
    return s_nZoomFactor[nZoom];
}

RECT LayoutViewFrame(const CViewLayoutInput& in)
{
    const LONG nPanelMargin = in.bPanelVisible ? PANEL_MARGIN_SHOWN : PANEL_MARGIN_HIDDEN;
    const LONG nStripMargin = in.bThumbVisible ? STRIP_MARGIN_SHOWN : STRIP_MARGIN_HIDDEN;
    const LONG W = in.nPictureWidth;
    const LONG H = in.nPictureHeight;
    LONG nWidth = 0;
    LONG nHeight = 0;
    if (in.nZoom != ZOOM_FIT) {
        const LONG f = ZoomFactor(in.nZoom);
        nWidth = std::min<LONG>(in.rcClient.right - nPanelMargin, W * f);
        nHeight = std::min<LONG>(in.rcClient.bottom - nStripMargin, H * f);
    } else {
        // Fit: the largest rectangle of the picture's aspect in the room.
        LONG aw = in.rcClient.right - nPanelMargin - in.rcFrame.left;
        LONG ah = in.rcClient.bottom - in.rcFrame.top - nStripMargin;
        const long long nWide = static_cast<long long>(aw) * H;
        const long long nTall = static_cast<long long>(ah) * W;
        if (H > 0 && W > 0) {
            if (nWide > nTall)
                aw = static_cast<LONG>(static_cast<double>(ah) * W / H);
            else if (nWide < nTall)
                ah = static_cast<LONG>(static_cast<double>(aw) * H / W);
        }
        // The frame's extents are taken from the room's far corner, so they include
        // the frame's own offset from the client area's corner.
        nWidth = in.rcFrame.left + aw;
        nHeight = in.rcFrame.top + ah;
    }
    return RECT{in.rcFrame.left, in.rcFrame.top, in.rcFrame.left + nWidth, in.rcFrame.top + nHeight};
}

void ClampScrollOffsets(CScrollOffsets& offsets, const RECT& rcView, int nFactor, int nPictureWidth,
                        int nPictureHeight)
{
    if (offsets.x > 0)
        offsets.x = 0;
    if (offsets.y > 0)
        offsets.y = 0;
    const int f = nFactor > 0 ? nFactor : 1;
    const double mx = (rcView.right - rcView.left) / f - nPictureWidth;
    const double my = (rcView.bottom - rcView.top) / f - nPictureHeight;
    if (mx > offsets.x)
        offsets.x = mx;
    if (my > offsets.y)
        offsets.y = my;
}

RECT LayoutResultsList(const RECT& rcList, const RECT& rcClient)
{
    const LONG nWidth = rcList.right - rcList.left;
    const LONG nLeft = rcClient.right - nWidth - 12;
    return RECT{nLeft, rcList.top, nLeft + nWidth, rcClient.bottom - 12};
}

RECT LayoutStripPart(const RECT& rcPart, const RECT& rcClient, bool bPanelVisible)
{
    const LONG nHeight = rcPart.bottom - rcPart.top;
    const LONG nWidth = rcClient.right - (bPanelVisible ? PANEL_MARGIN_SHOWN : PANEL_MARGIN_HIDDEN);
    const LONG nTop = rcClient.bottom - nHeight - 12;
    return RECT{rcPart.left, nTop, rcPart.left + nWidth, nTop + nHeight};
}

RECT MovePanelControl(const RECT& rcControl, const RECT& rcClient, LONG nFromRight)
{
    const LONG nWidth = rcControl.right - rcControl.left;
    const LONG nRight = rcClient.right - nFromRight;
    return RECT{nRight - nWidth, rcControl.top, nRight, rcControl.bottom};
}

void WindowToImage(double px, double py, const RECT& rcView, int nZoom, const CScrollOffsets& offsets,
                   int nPictureWidth, int nPictureHeight, double& x, double& y)
{
    if (nZoom != ZOOM_FIT) {
        const double f = ZoomFactor(nZoom);
        x = (1.0 / f) * (px - rcView.left) - offsets.x;
        y = (1.0 / f) * (py - rcView.top) - offsets.y;
        return;
    }
    const double nViewWidth = rcView.right - rcView.left;
    const double nViewHeight = rcView.bottom - rcView.top;
    x = nViewWidth != 0 ? nPictureWidth / nViewWidth * (px - rcView.left) : 0.0;
    y = nViewHeight != 0 ? nPictureHeight / nViewHeight * (py - rcView.top) : 0.0;
}

void ImageToWindow(double x, double y, const RECT& rcView, int nZoom, const CScrollOffsets& offsets,
                   int nPictureWidth, int nPictureHeight, double& px, double& py)
{
    if (nZoom != ZOOM_FIT) {
        const double f = ZoomFactor(nZoom);
        px = (x + offsets.x) * f + rcView.left;
        py = (y + offsets.y) * f + rcView.top;
        return;
    }
    px = nPictureWidth != 0 ? x * (rcView.right - rcView.left) / nPictureWidth + rcView.left : rcView.left;
    py = nPictureHeight != 0 ? y * (rcView.bottom - rcView.top) / nPictureHeight + rcView.top : rcView.top;
}

bool CPanDrag::Begin(int px, int py, int nZoom, const CScrollOffsets& offsets)
{
    m_bActive = nZoom != ZOOM_FIT;
    if (m_bActive) {
        // Client coordinates divide by the factor as integers.
        const int f = ZoomFactor(nZoom);
        m_dAnchorX = px / f - offsets.x;
        m_dAnchorY = py / f - offsets.y;
    }
    return m_bActive;
}

bool CPanDrag::Move(int px, int py, const RECT& rcView, int nZoom, int nPictureWidth, int nPictureHeight,
                    CScrollOffsets& offsets)
{
    const bool bInView = px >= rcView.left && px < rcView.right && py >= rcView.top && py < rcView.bottom;
    if (!bInView)
        m_bActive = false;
    if (!m_bActive)
        return false;
    const int f = ZoomFactor(nZoom);
    offsets.x = px / f - m_dAnchorX;
    offsets.y = py / f - m_dAnchorY;
    ClampScrollOffsets(offsets, rcView, f, nPictureWidth, nPictureHeight);
    return true;
}

int VisibleThumbs(int nGroupWidth)
{
    return (nGroupWidth - 8) / (THUMB_CELL_WIDTH + THUMB_CELL_GAP);
}

CThumbScrollRange ComputeThumbScrollRange(int nGroupWidth, int nThumbs, bool bThumbVisible)
{
    const int nPage = VisibleThumbs(nGroupWidth) + 1;
    CThumbScrollRange range;
    if (nPage < nThumbs + 1) {
        range.bShow = bThumbVisible;
        range.nMax = nThumbs;
        range.nPage = nPage;
    }
    return range;
}
