// Binarize: black and white by a threshold.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Pixel routines (PixelRoutine signature), normally in place; pParam points at the int
// threshold t. Binarize8: the first byte of each pixel becomes 255 where it is > t, else 0.
// Binarize24: all three bytes become 255 where red * 30 + green * 59 + blue * 11 > t * 100,
// else 0. Return 1.
int Binarize8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int nExtra);
int Binarize24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
               int nDstStride, int nSrcStride, void* pParam, int nExtra);

// The same on rows addressed directly (first pixels, strides in bytes); nChannels 1 or 3
// selects the 8-bit or the 24-bit rule.
void BinarizeRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                  int nSrcBpp, int nWidth, int nHeight, int nChannels, int nThreshold);
