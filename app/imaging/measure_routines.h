// Measuring pixel routines: white balance of a Bayer mosaic, mean of a zone, count of zeros.
#pragma once

#include "platform/win_types.h"

// Parameter record of MeasureWhiteBalance: three results and the Bayer mode (phases as
// for Demosaic).
struct CWhiteBalanceParam {
    int nOut0 = 0; // green mean / blue mean, in hundredths (truncated)
    int nOut1 = 0; // 100
    int nOut2 = 0; // green mean / red mean, in hundredths (truncated)
    int nMode = 0;
};

// Pixel routine (PixelRoutine signature) over an 8-bit mosaic, read only. Averages the
// samples of each phase of the source rectangle, the first pixel having the mode's phase:
// (0, 0) and (1, 1) are green, (0, 1) blue, (1, 0) red. A phase without samples or with
// mean 0 makes its ratio non-finite, which is stored as INT_MIN. Returns 1.
int MeasureWhiteBalance(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp,
                        int nSrcBpp, int nDstStride, int nSrcStride, void* pParam, int nExtra);

// Pixel routine: the mean of the first byte of every pixel of the source rectangle
// (unsigned sum divided by the pixel count, truncated); 0 for an empty rectangle.
int ZoneMean(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
             int nDstStride, int nSrcStride, void* pParam, int nExtra);

// Pixel routine: the number of destination pixels, in the rectangle of the source
// rectangle's size at the destination position, whose first byte is 0.
int CountZero(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int nExtra);
