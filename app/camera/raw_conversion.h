// Turning a raw frame slot into the caller's picture: the raw window copy, grey
// output, the white-balance measurement and the two demosaics (simple 2 x 2 cell
// and smooth 9-3-3-1 bilinear) for 8- and 10-bit samples.
#pragma once

#include "app/camera/raw_geometry.h"
#include "platform/win_types.h"

struct CRawFrame {
    const BYTE* pSlot;     // the frame as the camera sent it
    CRawGeometry geometry;
    bool bTenBit;          // two bytes per sample
    int nBayerPhase;       // bit 0: window starts on an odd row; bit 1: on an odd column
};

// The useful window, rows top to bottom, nDstStride bytes apart: one byte per pixel
// (8-bit) or one 16-bit value per pixel (10-bit: high byte x 4 + low two bits).
void CopyRawWindow(const CRawFrame& frame, BYTE* pDst, int nDstStride);

// 24-bit grey: blue = green = red = the sample (its eight high bits for 10-bit).
void ConvertRawToGrey(const CRawFrame& frame, BYTE* pDst, int nDstStride);

// Gains red, green, blue (green 1.0) that bring the window's red and blue means to
// its green mean.
void MeasureRawWhiteBalance(const CRawFrame& frame, double dGain[3]);

// 24-bit colour (blue, green, red) of rows and columns 2 .. size - 3; the two
// outermost rows and columns keep what pDst held. nDemosaicMode 0: smooth, else simple.
// Red and blue are scaled by gains relative to green in 1/128 steps. false when the
// row buffers cannot be allocated.
bool DemosaicRaw(const CRawFrame& frame, int nDemosaicMode, const double dGain[3], BYTE* pDst, int nDstStride);
