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

// Luminance of a picture row of nWidth pixels (3 bytes each, blue first) as nOutCount
// floats, the form the transform reads: LuminanceOf of each pixel; places beyond the row
// repeat its last pixel.
void ConvertLuminanceRow(const BYTE* pBgr, int nWidth, int nOutCount, float* pLuma);

// Chrominance picked, not averaged, at every second pixel of such a row: sample c of each
// output is ChromaBlueOf / ChromaRedOf of pixel 2c, or of the last pixel where 2c lies
// beyond the row.
void PickChrominanceRow(const BYTE* pBgr, int nWidth, int nCount, float* pCb, float* pCr);
