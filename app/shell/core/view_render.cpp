#include "app/shell/core/view_render.h"

#include "app/imaging/scale_nearest.h"

bool RenderView(const CDibImage& shown, const RECT& rcView, int nZoom, const CScrollOffsets& offsets, CDibImage& out)
{
    const int w = rcView.right - rcView.left;
    const int h = rcView.bottom - rcView.top;
    if (!shown.IsCreated() || w <= 0 || h <= 0)
        return false;
    if (out.Width() != w || out.Height() != h || out.BitCount() != shown.BitCount()) {
        if (!out.Create(w, h, shown.BitCount()))
            return false;
    }
    if (shown.BitCount() == 8)
        out.SetPalette(CDibImage::PALETTE_ENTRIES, shown.ColorTable(), 0, 256);

    if (nZoom == ZOOM_FIT) {
        if (shown.BitCount() == 8)
            out.ApplyScaled(ScaleNearest8, shown);
        else
            out.ApplyScaled(ScaleNearest24, shown);
        return true;
    }

    const int f = ZoomFactor(nZoom);
    const int ox = static_cast<int>(-offsets.x);
    const int oy = static_cast<int>(-offsets.y);
    const RECT rcBlock{ox, oy, ox + w / f, oy + h / f};
    const bool bCovered = ox >= 0 && oy >= 0 && rcBlock.right <= shown.Width() && rcBlock.bottom <= shown.Height();
    if (!bCovered)
        out.Fill(nullptr, RGB(0, 0, 0));
    if (f == 1)
        out.BlitFrom(shown, &rcBlock, 0, 0);
    else
        out.StretchFrom(shown, rcBlock, RECT{0, 0, w, h});
    return true;
}
