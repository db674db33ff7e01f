// The pixel count of a polygon as the measuring tool's area rule takes it: the
// pixels a solid fill (alternate mode) plus a one-pixel outline would paint on a
// picture of the given size, counted without painting a picture.
#pragma once

#include "app/measure/dpoint.h"

// Truncates the points toward zero, fills the closed polygon in alternate (even-odd)
// mode and draws its one-pixel outline through every vertex, both clipped to the
// nWidth x nHeight picture, and counts the pixels painted. false, with nPixels left
// alone, when the polygon cannot be drawn (fewer than two points, or none given).
// Coordinates beyond +-2^27 are taken as +-2^27.
bool CountPolygonPixels(int nWidth, int nHeight, const DPOINT* pPoints, int nCount, long long& nPixels);
