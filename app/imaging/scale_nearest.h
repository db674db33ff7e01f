// ScaleNearest: nearest-neighbour scaling for the fit-to-window view.
#pragma once

#include "platform/win_types.h"

// Scaling routines (ScaleRoutine signature, run by CDibImage::ApplyScaled); pParam is not
// read. For a destination rectangle of w x h pixels and a source rectangle of rw x rh,
// ry = rh / h and rx = rw / w in single precision; destination pixel (row i, column j),
// counted from the destination rectangle's corner in memory rows, takes the source pixel
// at memory row trunc(ry * i) and column trunc(rx * j), counted from the source
// picture's first pixel (the source rectangle's origin is not added) and clamped to the
// source picture. Destination pixels outside the destination picture are skipped.
// ScaleNearest8 copies one byte per pixel, ScaleNearest24 three. Return 1.
int ScaleNearest8(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW, int nDstH, int nSrcW,
                  int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, void* pParam, int nExtra);
int ScaleNearest24(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW, int nDstH,
                   int nSrcW, int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, void* pParam,
                   int nExtra);
