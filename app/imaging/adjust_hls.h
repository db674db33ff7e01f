// AdjustHls: hue, lightness and saturation adjustment of blue-green-red pictures in integers.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Parameter record of AdjustHls: the deltas added to hue (360 to a turn), lightness and
// saturation (0..255 scales).
struct CHlsParam {
    int nHue = 0;
    int nLightness = 0;
    int nSaturation = 0;
};

// Pixel routine (PixelRoutine signature) for 24-bit pictures, normally in place; pParam
// points at an CHlsParam. Every pixel of the source rectangle is converted to hue,
// lightness and saturation, shifted by the deltas and converted back. Returns 1.
int AdjustHls(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int nExtra);

// The same on rows addressed directly (first pixels of the first rows, strides in bytes,
// possibly negative); source and destination may be the same rows.
void AdjustHlsRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                   int nSrcBpp, int nWidth, int nHeight, const CHlsParam& param);
