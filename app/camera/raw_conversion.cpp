#include "app/camera/raw_conversion.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace {

enum EBayerColor { BAYER_GREEN, BAYER_RED, BAYER_BLUE };

// Colour of window sample (row, column): for phase 0 even rows hold green, red and
// odd rows blue, green; phase bit 0 swaps the row roles, bit 1 the column roles.
EBayerColor ColorAt(int nPhase, int nRow, int nColumn)
{
    const int nOddRow = (nRow ^ nPhase) & 1;
    const int nOddColumn = (nColumn ^ (nPhase >> 1)) & 1;
    if (nOddRow == nOddColumn)
        return BAYER_GREEN;
    return nOddColumn ? BAYER_RED : BAYER_BLUE;
}

// Start of window row nRow in the slot.
const BYTE* WindowRow(const CRawFrame& frame, int nRow)
{
    const CRawGeometry& g = frame.geometry;
    const int nBytes = frame.bTenBit ? 2 : 1;
    return frame.pSlot + (static_cast<std::size_t>(g.m_nVStart + nRow) * g.m_nHTotal + g.m_nHStart) * nBytes;
}

// Window row nRow as sample values (10-bit values for 10-bit frames).
void LoadRow(const CRawFrame& frame, int nRow, int* pRow)
{
    const BYTE* pSource = WindowRow(frame, nRow);
    const int nWidth = frame.geometry.m_nHEffective;
    if (frame.bTenBit) {
        for (int c = 0; c < nWidth; ++c)
            pRow[c] = pSource[2 * c] * 4 + (pSource[2 * c + 1] & 3);
    } else {
        for (int c = 0; c < nWidth; ++c)
            pRow[c] = pSource[c];
    }
}

// Fixed-point gain relative to green in 1/128 steps, kept to a range whose products
// with any weighted sample sum fit an int (a zero mean would otherwise give infinity).
int FixedGain(double dGain, double dGreen)
{
    const double dValue = 128.0 * dGain / dGreen;
    if (!(dValue >= 0.0))
        return 0;
    return static_cast<int>(std::min(dValue, 65535.0));
}

} // namespace

void CopyRawWindow(const CRawFrame& frame, BYTE* pDst, int nDstStride)
{
    const CRawGeometry& g = frame.geometry;
    for (int r = 0; r < g.m_nVEffective; ++r) {
        const BYTE* pSource = WindowRow(frame, r);
        BYTE* pRow = pDst + static_cast<std::size_t>(r) * nDstStride;
        if (!frame.bTenBit) {
            std::copy(pSource, pSource + g.m_nHEffective, pRow);
            continue;
        }
        for (int c = 0; c < g.m_nHEffective; ++c) {
            const WORD nValue = static_cast<WORD>(pSource[2 * c] * 4 + (pSource[2 * c + 1] & 3));
            pRow[2 * c] = static_cast<BYTE>(nValue);
            pRow[2 * c + 1] = static_cast<BYTE>(nValue >> 8);
        }
    }
}

void ConvertRawToGrey(const CRawFrame& frame, BYTE* pDst, int nDstStride)
{
    const CRawGeometry& g = frame.geometry;
    const int nStep = frame.bTenBit ? 2 : 1;
    for (int r = 0; r < g.m_nVEffective; ++r) {
        const BYTE* pSource = WindowRow(frame, r);
        BYTE* pRow = pDst + static_cast<std::size_t>(r) * nDstStride;
        for (int c = 0; c < g.m_nHEffective; ++c) {
            const BYTE nSample = pSource[c * nStep];
            pRow[3 * c] = pRow[3 * c + 1] = pRow[3 * c + 2] = nSample;
        }
    }
}

void MeasureRawWhiteBalance(const CRawFrame& frame, double dGain[3])
{
    const CRawGeometry& g = frame.geometry;
    DWORD nSum[3] = {0, 0, 0};
    DWORD nCount[3] = {0, 0, 0};
    std::unique_ptr<int[]> pRow(new (std::nothrow) int[g.m_nHEffective]);
    if (!pRow)
        return;
    for (int r = 0; r < g.m_nVEffective; ++r) {
        LoadRow(frame, r, pRow.get());
        for (int c = 0; c < g.m_nHEffective; ++c) {
            const EBayerColor color = ColorAt(frame.nBayerPhase, r, c);
            nSum[color] += static_cast<DWORD>(pRow[c]);
            ++nCount[color];
        }
    }
    const double dMeanG = nCount[BAYER_GREEN] ? static_cast<double>(nSum[BAYER_GREEN]) / nCount[BAYER_GREEN] : 0.0;
    const double dMeanR = nCount[BAYER_RED] ? static_cast<double>(nSum[BAYER_RED]) / nCount[BAYER_RED] : 0.0;
    const double dMeanB = nCount[BAYER_BLUE] ? static_cast<double>(nSum[BAYER_BLUE]) / nCount[BAYER_BLUE] : 0.0;
    dGain[0] = dMeanG / dMeanR;
    dGain[1] = 1.0;
    dGain[2] = dMeanG / dMeanB;
}

bool DemosaicRaw(const CRawFrame& frame, int nDemosaicMode, const double dGain[3], BYTE* pDst, int nDstStride)
{
    const CRawGeometry& g = frame.geometry;
    const int nWidth = g.m_nHEffective;
    const int nHeight = g.m_nVEffective;
    if (nWidth < 5 || nHeight < 5)
        return true; // no row or column lies two samples away from every edge
    std::unique_ptr<int[]> pBuffers(new (std::nothrow) int[4 * static_cast<std::size_t>(nWidth)]);
    if (!pBuffers)
        return false;

    const int nGainR = FixedGain(dGain[0], dGain[1]);
    const int nGainB = FixedGain(dGain[2], dGain[1]);
    // 10-bit samples carry two more bits, which the shifts take away again.
    const int nExtra = frame.bTenBit ? 2 : 0;
    const int nGreenShift = 1 + nExtra;
    const int nSimpleShift = 7 + nExtra;
    const int nSmoothShift = 11 + nExtra;

    // rows[k] holds window row R - 2 + k while output row R is written.
    int* rows[4];
    for (int k = 0; k < 4; ++k) {
        rows[k] = pBuffers.get() + k * static_cast<std::size_t>(nWidth);
        LoadRow(frame, k, rows[k]);
    }

    for (int R = 2; R <= nHeight - 3; ++R) {
        BYTE* pOut = pDst + static_cast<std::size_t>(R) * nDstStride;
        for (int C = 2; C <= nWidth - 3; ++C) {
            int nRed = 0, nBlue = 0, nGreenSum = 0;
            if (nDemosaicMode != 0) {
                // Simple: the 2 x 2 cell of rows R - 2, R - 1 and columns C - 2, C - 1.
                for (int dr = 0; dr < 2; ++dr) {
                    for (int dc = 0; dc < 2; ++dc) {
                        const int nSample = rows[dr][C - 2 + dc];
                        switch (ColorAt(frame.nBayerPhase, R - 2 + dr, C - 2 + dc)) {
                        case BAYER_GREEN: nGreenSum += nSample; break;
                        case BAYER_RED: nRed = nSample; break;
                        case BAYER_BLUE: nBlue = nSample; break;
                        }
                    }
                }
                nRed = (nGainR * nRed) >> nSimpleShift;
                nBlue = (nGainB * nBlue) >> nSimpleShift;
            } else {
                // Smooth: centre of the cell of rows R - 1, R and columns C - 1, C; red and
                // blue from their four nearest samples weighted 9, 3, 3, 1.
                for (int dr = 0; dr < 2; ++dr) {
                    for (int dc = 0; dc < 2; ++dc) {
                        const int r = R - 1 + dr;
                        const int c = C - 1 + dc;
                        const EBayerColor color = ColorAt(frame.nBayerPhase, r, c);
                        if (color == BAYER_GREEN) {
                            nGreenSum += rows[1 + dr][c];
                            continue;
                        }
                        // The same colour's other row and column within R - 2 .. R + 1, C - 2 .. C + 1.
                        const int nOtherRow = dr == 0 ? 3 : 0;
                        const int nOtherColumn = dc == 0 ? c + 2 : c - 2;
                        const int nSum = 9 * rows[1 + dr][c] + 3 * rows[1 + dr][nOtherColumn] +
                                         3 * rows[nOtherRow][c] + rows[nOtherRow][nOtherColumn];
                        if (color == BAYER_RED)
                            nRed = (nGainR * nSum) >> nSmoothShift;
                        else
                            nBlue = (nGainB * nSum) >> nSmoothShift;
                    }
                }
            }
            pOut[3 * C] = static_cast<BYTE>(std::min(255, nBlue));
            pOut[3 * C + 1] = static_cast<BYTE>(std::min(255, nGreenSum >> nGreenShift));
            pOut[3 * C + 2] = static_cast<BYTE>(std::min(255, nRed));
        }
        // Slide the window: the oldest row takes the next source row.
        if (R + 2 < nHeight) {
            int* pOldest = rows[0];
            rows[0] = rows[1];
            rows[1] = rows[2];
            rows[2] = rows[3];
            rows[3] = pOldest;
            LoadRow(frame, R + 2, rows[3]);
        }
    }
    return true;
}
