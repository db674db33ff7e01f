// Colour conversion and chroma sample picking of the JPEG encoder: picture rows of blue,
// green, red bytes become level-shifted luminance and chrominance samples.
#pragma once

#include "platform/win_types.h"

#include <cstdint>

// The three conversions, each evaluated left to right in double precision (every
// product and sum rounded on its own) and truncated toward zero. These exact
// expressions, not just their mathematical values, fix the encoder's output bytes.
inline int LuminanceOf(int nRed, int nGreen, int nBlue)
{
    return static_cast<int>(0.587 * nGreen + 0.299 * nRed + 0.114 * nBlue - 128);
}
inline int ChromaBlueOf(int nRed, int nGreen, int nBlue)
{
    return static_cast<int>(0.5 * nBlue - (0.1687 * nRed + 0.3313 * nGreen));
}
inline int ChromaRedOf(int nRed, int nGreen, int nBlue)
{
    return static_cast<int>(0.5 * nRed - 0.4187 * nGreen - 0.0813 * nBlue);
}

// Converts a picture row of nWidth pixels (3 bytes each, blue first) into the floats the
// transform reads: nOutCount luminance values (LuminanceOf of each pixel), and when pCb is
// not null nOutCount / 2 chrominance samples each into pCb and pCr, picked, not averaged:
// sample c is ChromaBlueOf / ChromaRedOf of pixel 2c. Places beyond the row repeat its
// last pixel. pPlanes is scratch memory of 3 * nOutCount doubles.
void ConvertPictureRow(const BYTE* pBgr, int nWidth, int nOutCount, double* pPlanes, float* pLuma, float* pCb,
                       float* pCr);
