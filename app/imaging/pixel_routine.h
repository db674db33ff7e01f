// The two call signatures shared by the pixel routines that CDibImage::Apply and
// CDibImage::ApplyScaled run over picture memory.
#pragma once

#include "platform/win_types.h"

// A one-rectangle routine. It reads the source pixels of rcSrc, whose rows are memory
// rows of the source (row 0 is the bottom line shown), and writes the destination pixels
// at the same offsets from (nDstX, nDstY), also in memory rows. The pixel at column c,
// memory row r of a picture is at bits + r * stride + c * bytes per pixel. Sizes are in
// bytes per pixel (1 or 3), strides in bytes. An in-place routine gets the same memory as
// pDst and pSrc. pParam points at the routine's own parameter record; nExtra is passed
// through unread. Returns 1, or the measured value for the measuring routines.
using PixelRoutine = int (*)(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY,
                             int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, void* pParam,
                             int nExtra);

// A scaling routine. rcDst and rcSrc are the rectangles to map onto each other (not
// clipped); nDstW/nDstH and nSrcW/nSrcH are the sizes of the two whole pictures.
using ScaleRoutine = int (*)(BYTE* pDst, const BYTE* pSrc, const RECT& rcDst, const RECT& rcSrc, int nDstW,
                             int nDstH, int nSrcW, int nSrcH, int nDstBpp, int nSrcBpp, int nDstStride,
                             int nSrcStride, void* pParam, int nExtra);

// The pixel at column x, memory row y of picture memory with the given stride and
// bytes per pixel: where a one-rectangle routine starts reading or writing.
inline BYTE* PixelAddress(BYTE* pBits, int x, int y, int nStride, int nBpp)
{
    return pBits + static_cast<long long>(y) * nStride + static_cast<long long>(x) * nBpp;
}
inline const BYTE* PixelAddress(const BYTE* pBits, int x, int y, int nStride, int nBpp)
{
    return pBits + static_cast<long long>(y) * nStride + static_cast<long long>(x) * nBpp;
}
