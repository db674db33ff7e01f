// Binarize. The 24-bit rule weighs the channels as luminance in hundredths
// (0.30 red + 0.59 green + 0.11 blue) against the threshold.
#include "app/imaging/binarize.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"

#include <algorithm>
#include <cstdint>

namespace {

// Thresholds outside -1..255 decide like -1 (everything white) or 255 (everything
// black), so the threshold is kept to that range and the weighted sum, at most 25500,
// fits 16 bits.
int LimitThreshold(int nThreshold)
{
    return std::clamp(nThreshold, -1, 255);
}

KERNEL_BODY void BinarizePacked8(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                 int nWidth, int nHeight, int nThreshold)
{
    // Compared as 16-bit numbers so that threshold -1 needs no special case.
    const auto t = static_cast<std::int16_t>(nThreshold);
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x)
            pOut[x] = static_cast<std::int16_t>(pIn[x]) > t ? 255 : 0;
    }
}

KERNEL_BODY void BinarizePacked24(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                  int nWidth, int nHeight, int nThreshold)
{
    const auto t = static_cast<std::int16_t>(nThreshold * 100);
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x) {
            const auto nSum = static_cast<std::int16_t>(static_cast<std::int16_t>(pIn[3 * x + 2] * 30) +
                                                        static_cast<std::int16_t>(pIn[3 * x + 1] * 59) +
                                                        static_cast<std::int16_t>(pIn[3 * x] * 11));
            const BYTE nValue = nSum > t ? 255 : 0;
            pOut[3 * x] = nValue;
            pOut[3 * x + 1] = nValue;
            pOut[3 * x + 2] = nValue;
        }
    }
}

KERNEL_BODY void BinarizePackedBody(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                    int nWidth, int nHeight, int nChannels, int nThreshold)
{
    if (nChannels == 1)
        BinarizePacked8(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nThreshold);
    else
        BinarizePacked24(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nThreshold);
}

KERNEL_TARGET_AVX2 void BinarizePackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                           std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int nChannels,
                                           int nThreshold)
{
    BinarizePackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nThreshold);
}

void BinarizePackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                        int nHeight, int nChannels, int nThreshold)
{
    BinarizePackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nThreshold);
}

int RunBinarize(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
                int nDstStride, int nSrcStride, const void* pParam, int nChannels)
{
    if (pParam == nullptr)
        return 1;
    BinarizeRows(PixelAddress(pDst, nDstX, nDstY, nDstStride, nDstBpp), nDstStride, nDstBpp,
                 PixelAddress(pSrc, rcSrc.left, rcSrc.top, nSrcStride, nSrcBpp), nSrcStride,
                 nSrcBpp, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, nChannels,
                 *static_cast<const int*>(pParam));
    return 1;
}

} // namespace

void BinarizeRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                  int nSrcBpp, int nWidth, int nHeight, int nChannels, int nThreshold)
{
    if (nWidth <= 0 || nHeight <= 0 || (nChannels != 1 && nChannels != 3) || nDstBpp < nChannels ||
        nSrcBpp < nChannels)
        return;
    const int t = LimitThreshold(nThreshold);
    if (nDstBpp == nChannels && nSrcBpp == nChannels) {
        if (KernelHasAvx2())
            BinarizePackedAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, t);
        else
            BinarizePackedBase(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, t);
        return;
    }
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x) {
            const BYTE* p = pIn + std::ptrdiff_t{x} * nSrcBpp;
            BYTE* q = pOut + std::ptrdiff_t{x} * nDstBpp;
            if (nChannels == 1) {
                q[0] = p[0] > t ? 255 : 0;
            } else {
                const BYTE nValue = p[2] * 30 + p[1] * 59 + p[0] * 11 > t * 100 ? 255 : 0;
                q[0] = nValue;
                q[1] = nValue;
                q[2] = nValue;
            }
        }
    }
}

int Binarize8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    return RunBinarize(pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, pParam, 1);
}

int Binarize24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
               int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    return RunBinarize(pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, pParam, 3);
}
