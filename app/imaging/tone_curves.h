// Gamma and contrast: look-up tables applied to every channel of a picture.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Fills aTable with the gamma curve of setting nGamma, following 255 (i / 255)^h with the
// exponent h = nGamma / 100 up to 100 and 1 + (nGamma - 100) / 10 above, kept to
// 0.001 .. 99.999. Entries are one below the curve's rounded-up value, at least 1 (so 0
// maps to 1 and 255 to 254 even for h = 1; the chain leaves gamma off at 100).
void BuildGammaTable(int nGamma, BYTE aTable[256]);
// Fills aTable with the contrast curve of setting nContrast: positive values steepen the
// curve around the middle, negative ones flatten it; 128 and more make everything 0.
void BuildContrastTable(int nContrast, BYTE aTable[256]);

// Pixel routines (PixelRoutine signature), normally in place; pParam points at the int
// setting. The 8-bit forms map the first byte of every pixel, the 24-bit forms all three.
// The table is built once per call. Return 1.
int Gamma8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
           int nDstStride, int nSrcStride, void* pParam, int nExtra);
int Gamma24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
            int nDstStride, int nSrcStride, void* pParam, int nExtra);
int Contrast8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int nExtra);
int Contrast24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
               int nDstStride, int nSrcStride, void* pParam, int nExtra);

// Maps nChannels bytes (1 or 3) of every pixel of an nWidth x nHeight rectangle through
// aTable; first pixels and strides as for the routines, strides possibly negative.
void ApplyToneTable(const BYTE aTable[256], BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc,
                    std::ptrdiff_t nSrcStride, int nSrcBpp, int nWidth, int nHeight, int nChannels);
