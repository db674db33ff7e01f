// Demosaic. Each output pixel sums four samples of a colour with weights 9, 3, 3, 1
// (bilinear interpolation at a half-pixel offset, 16 in all) and scales the sum by the
// gain: (sum * trunc(gain * 1.28)) >> 11, so gain 1.0 (128) gives sum / 16 exactly.
// Green is the mean of the two nearest green samples, truncated.
//
// Around a pixel at (x, y), with a..d the source rows y - 2 .. y + 1, the four sums are
//   vertical   V = 9 b[x]   + 3 b[x-2] + 3 d[x]   + d[x-2]
//   horizontal H = 9 c[x-1] + 3 c[x+1] + 3 a[x-1] + a[x+1]
//   diagonal   X = 9 b[x-1] + 3 d[x-1] + 3 b[x+1] + d[x+1]
//   centre     C = 9 c[x]   + 3 c[x-2] + 3 a[x]   + a[x-2]
// and the two green pairs G1 = (b[x-1] + c[x]) >> 1, G2 = (c[x-1] + b[x]) >> 1. By the
// pixel's phase (row flag, column flag):
//   (0, 0): red V, green G1, blue H      (0, 1): red X, green G2, blue C
//   (1, 0): red C, green G2, blue X      (1, 1): red H, green G1, blue V
// The row flag toggles from row to row, the column flag from pixel to pixel and starts
// every row from the mode's column flag.
#include "app/imaging/demosaic.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"
#include "app/imaging/trunc_int.h"

#include <algorithm>
#include <cstdint>

namespace {

struct CPhase {
    int nRowFlag;
    int nColFlag;
};

CPhase PhaseOfMode(int nMode)
{
    switch (nMode) {
    case 1:
        return {1, 0};
    case 2:
        return {0, 1};
    case 3:
        return {1, 1};
    default:
        return {0, 0};
    }
}

// (nSum * nGain) >> 11 in 32-bit int arithmetic, wrapping around on overflow,
// then capped at 255 and stored as a byte (a negative gain leaves its low 8 bits).
BYTE ScaleSum(int nSum, int nGain)
{
    const auto nProduct = static_cast<std::int32_t>(static_cast<std::uint32_t>(nSum) * static_cast<std::uint32_t>(nGain));
    return static_cast<BYTE>(std::min(nProduct >> 11, 255));
}

// One output pixel at column x from the source rows a..d (y - 2 .. y + 1), any pixel
// sizes and gains.
void DemosaicPixel(BYTE* pPixel, const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* d, int x, int nSrcBpp,
                   int nRowFlag, int nColFlag, int nGainR, int nGainB)
{
    auto S = [nSrcBpp, x](const BYTE* pRow, int dx) { return static_cast<int>(pRow[(x + dx) * nSrcBpp]); };
    const int nV = 9 * S(b, 0) + 3 * S(b, -2) + 3 * S(d, 0) + S(d, -2);
    const int nH = 9 * S(c, -1) + 3 * S(c, +1) + 3 * S(a, -1) + S(a, +1);
    const int nX = 9 * S(b, -1) + 3 * S(d, -1) + 3 * S(b, +1) + S(d, +1);
    const int nC = 9 * S(c, 0) + 3 * S(c, -2) + 3 * S(a, 0) + S(a, -2);
    const int nG1 = (S(b, -1) + S(c, 0)) >> 1;
    const int nG2 = (S(c, -1) + S(b, 0)) >> 1;
    int nRed, nGreen, nBlue;
    if (nRowFlag == 0) {
        nRed = nColFlag ? nX : nV;
        nGreen = nColFlag ? nG2 : nG1;
        nBlue = nColFlag ? nC : nH;
    } else {
        nRed = nColFlag ? nH : nC;
        nGreen = nColFlag ? nG1 : nG2;
        nBlue = nColFlag ? nV : nX;
    }
    pPixel[0] = ScaleSum(nBlue, nGainB);
    pPixel[1] = static_cast<BYTE>(nGreen);
    pPixel[2] = ScaleSum(nRed, nGainR);
}

// Any pixel sizes and gains, one pixel at a time.
void DemosaicGeneric(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                     int nSrcBpp, int nWidth, int nHeight, CPhase phase, int nGainR, int nGainB)
{
    int nRowFlag = phase.nRowFlag;
    for (int y = 2; y <= nHeight - 3; ++y, nRowFlag ^= 1) {
        const BYTE* a = pSrc + (y - 2) * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        int nColFlag = phase.nColFlag;
        for (int x = 2; x <= nWidth - 3; ++x, nColFlag ^= 1)
            DemosaicPixel(pOut + x * nDstBpp, a, a + nSrcStride, a + 2 * nSrcStride, a + 3 * nSrcStride, x, nSrcBpp,
                          nRowFlag, nColFlag, nGainR, nGainB);
    }
}

// (nSum * nGain) >> 11 for nSum <= 4080 and 0 <= nGain <= 32767, in 16-bit lanes: the
// high half of (nSum << 4) * (nGain << 1) is exactly that quotient.
KERNEL_BODY std::uint16_t ScaleSum16(std::uint16_t nSum, std::uint16_t nGain2)
{
    const std::uint16_t nHigh =
        static_cast<std::uint16_t>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(nSum << 4)) * nGain2) >> 16);
    return nHigh < 255 ? nHigh : 255;
}

// Columns handled per pass of the packed kernel.
constexpr int DEMOSAIC_CHUNK = 512;

// 0x0000, 0xFFFF, 0x0000, ...: selects the odd-phase value of a pixel without a branch.
struct CAlternateMask {
    std::uint16_t aMask[DEMOSAIC_CHUNK + 2];
    constexpr CAlternateMask() : aMask{}
    {
        for (int i = 0; i < DEMOSAIC_CHUNK + 2; ++i)
            aMask[i] = (i & 1) != 0 ? 0xFFFF : 0;
    }
};
constexpr CAlternateMask ALTERNATE;

KERNEL_BODY std::uint16_t Select(std::uint16_t nMask, std::uint16_t nIfSet, std::uint16_t nIfClear)
{
    return static_cast<std::uint16_t>((nIfSet & nMask) | (nIfClear & ~nMask));
}

// One output row of an 8-bit mosaic into packed blue-green-red. a..d point at column 2
// of the source rows y - 2 .. y + 1, pOut at the matching destination pixel. The four
// sums factor through two vertical combinations, P = 3 b + d and Q = 3 c + a:
// V = 3 P[x] + P[x-2], X = 3 P[x-1] + P[x+1], C = 3 Q[x] + Q[x-2], H = 3 Q[x-1] + Q[x+1].
// In rows of row flag 0 red comes from P and blue from Q, in the others the reverse.
// Every pixel computes the values of both column phases and keeps its own: the loop
// stays uniform for the vectoriser, which beats computing pixel pairs.
template <int ROW_FLAG>
KERNEL_BODY void DemosaicRowPacked(BYTE* __restrict pOut, const BYTE* __restrict a, const BYTE* __restrict b,
                                   const BYTE* __restrict c, const BYTE* __restrict d, int nCount, int nColFlag,
                                   std::uint16_t nGainR2, std::uint16_t nGainB2)
{
    std::uint16_t aP[DEMOSAIC_CHUNK + 4];
    std::uint16_t aQ[DEMOSAIC_CHUNK + 4];
    for (int x0 = 0; x0 < nCount; x0 += DEMOSAIC_CHUNK) {
        const int n = std::min(DEMOSAIC_CHUNK, nCount - x0);
        for (int i = 0; i < n + 4; ++i) {
            aP[i] = static_cast<std::uint16_t>(3 * b[x0 + i - 2] + d[x0 + i - 2]);
            aQ[i] = static_cast<std::uint16_t>(3 * c[x0 + i - 2] + a[x0 + i - 2]);
        }
        const std::uint16_t* pRed = (ROW_FLAG == 0 ? aP : aQ) + 2;
        const std::uint16_t* pBlue = (ROW_FLAG == 0 ? aQ : aP) + 2;
        const std::uint16_t* pOdd = ALTERNATE.aMask + ((nColFlag ^ x0) & 1);
        const BYTE* pB = b + x0;
        const BYTE* pC = c + x0;
        BYTE* pPixel = pOut + 3 * x0;
        for (int i = 0; i < n; ++i) {
            const std::uint16_t nOdd = pOdd[i];
            const auto nRedEven = static_cast<std::uint16_t>(3 * pRed[i] + pRed[i - 2]);
            const auto nRedOdd = static_cast<std::uint16_t>(3 * pRed[i - 1] + pRed[i + 1]);
            const auto nBlueOdd = static_cast<std::uint16_t>(3 * pBlue[i] + pBlue[i - 2]);
            const auto nBlueEven = static_cast<std::uint16_t>(3 * pBlue[i - 1] + pBlue[i + 1]);
            const auto nG1 = static_cast<std::uint16_t>((pB[i - 1] + pC[i]) >> 1);
            const auto nG2 = static_cast<std::uint16_t>((pC[i - 1] + pB[i]) >> 1);
            const std::uint16_t nGreen = ROW_FLAG == 0 ? Select(nOdd, nG2, nG1) : Select(nOdd, nG1, nG2);
            pPixel[3 * i] = static_cast<BYTE>(ScaleSum16(Select(nOdd, nBlueOdd, nBlueEven), nGainB2));
            pPixel[3 * i + 1] = static_cast<BYTE>(nGreen);
            pPixel[3 * i + 2] = static_cast<BYTE>(ScaleSum16(Select(nOdd, nRedOdd, nRedEven), nGainR2));
        }
    }
}

KERNEL_BODY void DemosaicPackedBody(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                    int nWidth, int nHeight, CPhase phase, int nGainR, int nGainB)
{
    const auto nGainR2 = static_cast<std::uint16_t>(nGainR * 2);
    const auto nGainB2 = static_cast<std::uint16_t>(nGainB * 2);
    int nRowFlag = phase.nRowFlag;
    for (int y = 2; y <= nHeight - 3; ++y, nRowFlag ^= 1) {
        const BYTE* a = pSrc + (y - 2) * nSrcStride + 2;
        BYTE* pOut = pDst + y * nDstStride + 2 * 3;
        if (nRowFlag == 0)
            DemosaicRowPacked<0>(pOut, a, a + nSrcStride, a + 2 * nSrcStride, a + 3 * nSrcStride, nWidth - 4,
                                 phase.nColFlag, nGainR2, nGainB2);
        else
            DemosaicRowPacked<1>(pOut, a, a + nSrcStride, a + 2 * nSrcStride, a + 3 * nSrcStride, nWidth - 4,
                                 phase.nColFlag, nGainR2, nGainB2);
    }
}

KERNEL_TARGET_AVX2 void DemosaicPackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                           std::ptrdiff_t nSrcStride, int nWidth, int nHeight, CPhase phase, int nGainR,
                                           int nGainB)
{
    DemosaicPackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, phase, nGainR, nGainB);
}

void DemosaicPackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                        int nHeight, CPhase phase, int nGainR, int nGainB)
{
    DemosaicPackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, phase, nGainR, nGainB);
}

} // namespace

void DemosaicRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                  int nSrcBpp, int nWidth, int nHeight, const CDemosaicParam& param)
{
    if (nWidth < 5 || nHeight < 5 || nDstBpp < 3 || nSrcBpp < 1)
        return;
    const CPhase phase = PhaseOfMode(param.nMode);
    const int nGainR = TruncToInt(param.nGainR * 1.28);
    const int nGainB = TruncToInt(param.nGainB * 1.28);
    const bool bPacked = nSrcBpp == 1 && nDstBpp == 3 && nGainR >= 0 && nGainR <= 32767 && nGainB >= 0 &&
                         nGainB <= 32767 &&
                         !RowsOverlap(pDst, nDstStride, std::ptrdiff_t{nWidth} * 3, pSrc, nSrcStride, nWidth, nHeight);
    if (!bPacked) {
        DemosaicGeneric(pDst, nDstStride, nDstBpp, pSrc, nSrcStride, nSrcBpp, nWidth, nHeight, phase, nGainR, nGainB);
        return;
    }
    if (KernelHasAvx2())
        DemosaicPackedAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, phase, nGainR, nGainB);
    else
        DemosaicPackedBase(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, phase, nGainR, nGainB);
}

int Demosaic(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
             int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    if (pParam == nullptr)
        return 1;
    const auto& param = *static_cast<const CDemosaicParam*>(pParam);
    DemosaicRows(PixelAddress(pDst, nDstX, nDstY, nDstStride, nDstBpp), nDstStride, nDstBpp,
                 PixelAddress(pSrc, rcSrc.left, rcSrc.top, nSrcStride, nSrcBpp), nSrcStride,
                 nSrcBpp, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, param);
    return 1;
}
