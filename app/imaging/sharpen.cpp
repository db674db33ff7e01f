// Sharpen. The first pass of the unsharp mask blurs with a 4 x 4 box whose window is
// off-centre (two pixels before, one after), the second adds s / 10 of the difference
// between the original and the blur. The table form of the second pass,
// T[k] = trunc(s (k - 255) / 10) indexed by o - b + 255, is the integer quotient
// s (o - b) / 10 (truncated toward zero), which the fast kernel computes directly.
#include "app/imaging/sharpen.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"

#include <cstdint>

namespace {

// Strengths up to this size keep s (o - b) in 16 bits (128 * 255 < 32768).
constexpr int MAX_STRENGTH_16 = 128;
// Strengths up to this size keep s (o - b) in 32 bits.
constexpr int MAX_STRENGTH_32 = 8388607;

// Output bytes per pass of the fast kernel.
constexpr int SHARPEN_CHUNK = 1024;

KERNEL_BODY BYTE ClampToByte(int nValue)
{
    return static_cast<BYTE>(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
}

// Literal two passes, pixel by pixel: the blur into the destination, then the
// correction from the source and the blurred value. Also right when the destination
// overlaps the source, in the order memory rows and columns are visited.
void SharpenGeneric(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                    int nSrcBpp, int nWidth, int nHeight, int nChannels, int nStrength)
{
    for (int y = 2; y <= nHeight - 3; ++y)
        for (int x = 2; x <= nWidth - 3; ++x)
            for (int c = 0; c < nChannels; ++c) {
                int nSum = 0;
                for (int dy = -2; dy <= 1; ++dy)
                    for (int dx = -2; dx <= 1; ++dx)
                        nSum += pSrc[(y + dy) * nSrcStride + std::ptrdiff_t{x + dx} * nSrcBpp + c];
                pDst[y * nDstStride + std::ptrdiff_t{x} * nDstBpp + c] = static_cast<BYTE>(nSum >> 4);
            }
    for (int y = 2; y <= nHeight - 3; ++y)
        for (int x = 2; x <= nWidth - 3; ++x)
            for (int c = 0; c < nChannels; ++c) {
                const int o = pSrc[y * nSrcStride + std::ptrdiff_t{x} * nSrcBpp + c];
                BYTE& nOut = pDst[y * nDstStride + std::ptrdiff_t{x} * nDstBpp + c];
                const long long nCorrection = static_cast<long long>(nStrength) * (o - nOut) / 10;
                const long long nValue = o + nCorrection;
                nOut = static_cast<BYTE>(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
            }
}

// Packed rows (nChannels bytes per pixel on both sides), destination apart from the
// source. T is the type the correction is computed in (int16_t or int32_t).
template <typename T, int CHANNELS>
KERNEL_BODY void SharpenPackedBody(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                   int nWidth, int nHeight, int nStrength)
{
    const T s = static_cast<T>(nStrength);
    // Column sums of the four rows for the bytes of one chunk and its window margins.
    std::uint16_t aColumn[SHARPEN_CHUNK + 3 * CHANNELS];
    const int nFirst = 2 * CHANNELS;               // first output byte of a row
    const int nEnd = (nWidth - 2) * CHANNELS;       // after the last one
    for (int y = 2; y <= nHeight - 3; ++y) {
        const BYTE* __restrict r0 = pSrc + (y - 2) * nSrcStride;
        const BYTE* __restrict r1 = r0 + nSrcStride;
        const BYTE* __restrict r2 = r1 + nSrcStride;
        const BYTE* __restrict r3 = r2 + nSrcStride;
        BYTE* __restrict pOut = pDst + y * nDstStride;
        for (int k0 = nFirst; k0 < nEnd; k0 += SHARPEN_CHUNK) {
            const int n = nEnd - k0 < SHARPEN_CHUNK ? nEnd - k0 : SHARPEN_CHUNK;
            // aColumn[i] holds the sum at byte k0 - 2 * CHANNELS + i.
            const int nBase = k0 - 2 * CHANNELS;
            for (int i = 0; i < n + 3 * CHANNELS; ++i)
                aColumn[i] = static_cast<std::uint16_t>(r0[nBase + i] + r1[nBase + i] + r2[nBase + i] + r3[nBase + i]);
            for (int i = 0; i < n; ++i) {
                const auto nBlur = static_cast<T>(
                    (aColumn[i] + aColumn[i + CHANNELS] + aColumn[i + 2 * CHANNELS] + aColumn[i + 3 * CHANNELS]) >> 4);
                const auto o = static_cast<T>(r2[k0 + i]);
                const auto nCorrection = static_cast<T>(static_cast<T>(s * static_cast<T>(o - nBlur)) / 10);
                const int nValue = o + nCorrection;
                pOut[k0 + i] = ClampToByte(nValue);
            }
        }
    }
}

template <typename T>
KERNEL_BODY void SharpenPackedDispatch(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                       std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int nChannels,
                                       int nStrength)
{
    if (nChannels == 1)
        SharpenPackedBody<T, 1>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nStrength);
    else
        SharpenPackedBody<T, 3>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nStrength);
}

KERNEL_TARGET_AVX2 void SharpenPackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                          std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int nChannels,
                                          int nStrength)
{
    if (nStrength >= -MAX_STRENGTH_16 && nStrength <= MAX_STRENGTH_16)
        SharpenPackedDispatch<std::int16_t>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
    else
        SharpenPackedDispatch<std::int32_t>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
}

void SharpenPackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                       int nHeight, int nChannels, int nStrength)
{
    if (nStrength >= -MAX_STRENGTH_16 && nStrength <= MAX_STRENGTH_16)
        SharpenPackedDispatch<std::int16_t>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
    else
        SharpenPackedDispatch<std::int32_t>(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
}

int RunSharpen(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
               int nDstStride, int nSrcStride, const void* pParam, int nChannels)
{
    if (pParam == nullptr)
        return 1;
    SharpenRows(PixelAddress(pDst, nDstX, nDstY, nDstStride, nDstBpp), nDstStride, nDstBpp,
                PixelAddress(pSrc, rcSrc.left, rcSrc.top, nSrcStride, nSrcBpp), nSrcStride,
                nSrcBpp, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, nChannels,
                *static_cast<const int*>(pParam));
    return 1;
}

} // namespace

void SharpenRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                 int nSrcBpp, int nWidth, int nHeight, int nChannels, int nStrength)
{
    if (nWidth < 5 || nHeight < 5 || (nChannels != 1 && nChannels != 3) || nDstBpp < nChannels ||
        nSrcBpp < nChannels)
        return;
    const bool bPacked = nDstBpp == nChannels && nSrcBpp == nChannels && nStrength >= -MAX_STRENGTH_32 &&
                         nStrength <= MAX_STRENGTH_32 &&
                         !RowsOverlap(pDst, nDstStride, std::ptrdiff_t{nWidth} * nChannels, pSrc, nSrcStride,
                                      std::ptrdiff_t{nWidth} * nChannels, nHeight);
    if (!bPacked)
        SharpenGeneric(pDst, nDstStride, nDstBpp, pSrc, nSrcStride, nSrcBpp, nWidth, nHeight, nChannels, nStrength);
    else if (KernelHasAvx2())
        SharpenPackedAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
    else
        SharpenPackedBase(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
}

int Sharpen8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
             int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    return RunSharpen(pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, pParam, 1);
}

int Sharpen24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    return RunSharpen(pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, pParam, 3);
}
