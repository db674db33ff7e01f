// Renders what the picture view shows: the part of the shown picture at the
// current zoom and scroll position, at the view's size, pixel for pixel.
#pragma once

#include "app/imaging/dib_image.h"
#include "app/shell/core/view_layout.h"

// Fills out (re-created only when its size or format must change) with the view
// of `shown` for a view rectangle rcView:
// - zoom x1: the view-sized block of pixels at the scroll position;
// - zoom x2..x16 (factor f): the block of (width / f) x (height / f) pixels at the
//   scroll position, each pixel repeated f times across and down;
// - fit to window: the whole picture scaled to the view's size (nearest pixel).
// out takes the format of `shown` (8-bit pictures with their colour table); view
// pixels the picture does not cover are black. false when there is nothing to show.
bool RenderView(const CDibImage& shown, const RECT& rcView, int nZoom, const CScrollOffsets& offsets, CDibImage& out);
