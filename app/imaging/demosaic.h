// Demosaic: bilinear colour reconstruction of the sensor's Bayer mosaic into blue-green-red.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Parameter record of Demosaic. nMode 0..3 is the Bayer phase of the first processed
// pixel as (row flag, column flag): 0 = (0, 0), 1 = (1, 0), 2 = (0, 1), 3 = (1, 1);
// other values act as 0. Gains are hundredths (100 = 1.0); the green gain is not used.
struct CDemosaicParam {
    int nMode = 0;
    int nGainR = 100;
    int nGainG = 100;
    int nGainB = 100;
};

// Pixel routine (PixelRoutine signature, run by CDibImage::Apply) from an 8-bit mosaic to
// a 24-bit picture; pParam points at a CDemosaicParam. Writes only the interior, columns
// 2 .. width - 3 and rows 2 .. height - 3 of the source rectangle, at the same offsets
// from the destination position; the two-pixel border is left as it was. Returns 1.
int Demosaic(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
             int nDstStride, int nSrcStride, void* pParam, int nExtra);

// The same on rows addressed directly: pSrc is the first pixel of the first memory row of
// an nWidth x nHeight mosaic, pDst the destination pixel paired with it. Strides are in
// bytes and may be negative (a negative destination stride writes the rows upside down).
// nDstBpp must be at least 3; the first byte of every source pixel is its sample.
void DemosaicRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                  int nSrcBpp, int nWidth, int nHeight, const CDemosaicParam& param);

// Row y (2 .. nHeight - 3) of what DemosaicRows writes for an 8-bit packed mosaic of
// nWidth x nHeight (first row at pSrc) into a 24-bit destination: columns 2 .. nWidth - 3
// of the packed blue-green-red row pOut, which must not overlap the mosaic. Other rows
// write nothing.
void DemosaicRow(BYTE* pOut, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int y,
                 const CDemosaicParam& param);
