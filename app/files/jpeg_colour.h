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

// Splits a row of nWidth pixels (3 bytes each, blue first) into nOutCount values of
// each plane (the byte values as doubles); places beyond the row repeat its last pixel.
void SplitRow(const BYTE* pBgr, int nWidth, int nOutCount, double* pBlue, double* pGreen, double* pRed);

// Luminance of nCount pixels given as planes: LuminanceOf for each (as a float, the form
// the transform reads).
void ConvertLuminance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pLuma);

// Chrominance picked, not averaged, at every second pixel: sample c of each output is
// ChromaBlueOf / ChromaRedOf of pixel 2c of the planes, which must hold 2 * nCount pixels.
void PickChrominance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pCb,
                     float* pCr);
