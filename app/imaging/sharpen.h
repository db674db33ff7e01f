// Sharpen: unsharp masking against a 4 x 4 box blur.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Pixel routines (PixelRoutine signature). The destination is the picture, the source an
// unchanged copy of it; pParam points at the int strength s. Only the interior, columns
// 2 .. width - 3 and rows 2 .. height - 3 of the source rectangle, is written: with o the
// source value and b the mean of the 4 x 4 source block at columns x - 2 .. x + 1 and rows
// y - 2 .. y + 1 (sum >> 4), each channel becomes clamp(o + trunc(s (o - b) / 10), 0, 255).
// The 8-bit form works on the first byte of each pixel, the 24-bit form on all three.
// Return 1.
int Sharpen8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
             int nDstStride, int nSrcStride, void* pParam, int nExtra);
int Sharpen24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int nExtra);

// The same on rows addressed directly (first pixels, strides in bytes); nChannels 1 or 3.
void SharpenRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                 int nSrcBpp, int nWidth, int nHeight, int nChannels, int nStrength);

// One interior row from four source rows given by address: r0..r3 are rows y - 2 .. y + 1
// (packed, nChannels bytes per pixel), pOut the packed destination row, apart from them.
// Columns 2 .. nWidth - 3 are written, as SharpenRows writes row y.
void SharpenRow(BYTE* pOut, const BYTE* r0, const BYTE* r1, const BYTE* r2, const BYTE* r3, int nWidth, int nChannels,
                int nStrength);
