// Binarize. The 24-bit rule weighs the channels as luminance in hundredths
// (0.30 red + 0.59 green + 0.11 blue) against the threshold.
#include "app/imaging/binarize.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"

#if KERNEL_X86_INTRINSICS
#include <immintrin.h>
#endif

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

#if KERNEL_X86_INTRINSICS
// 64 packed pixels (192 bytes) to a step where the processor has AVX-512 VBMI: byte
// permutes split the channels and join the result, 16-bit multiply-adds weigh them.
struct CBinarizePermutes {
    alignas(64) std::uint8_t aSplit[3][64];     // channel c of pixel i: byte 3 i + c of the 128 first ...
    alignas(64) std::uint8_t aSplitLast[3][64]; // ... or of the last 64
    std::uint64_t nLast[3];                     // pixels whose channel c lies in the last 64 bytes
    alignas(64) std::uint8_t aJoin[3][64];      // byte k of third v: pixel (64 v + k) / 3
    constexpr CBinarizePermutes() : aSplit{}, aSplitLast{}, nLast{}, aJoin{}
    {
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 64; ++i) {
                const int nByte = 3 * i + c;
                aSplit[c][i] = static_cast<std::uint8_t>(nByte & 127);
                aSplitLast[c][i] = static_cast<std::uint8_t>(nByte & 63);
                if (nByte >= 128)
                    nLast[c] |= std::uint64_t{1} << i;
                aJoin[c][i] = static_cast<std::uint8_t>((64 * c + i) / 3);
            }
    }
};
inline constexpr CBinarizePermutes BINARIZE_PERMUTES;

KERNEL_TARGET_AVX512_VBMI void BinarizePacked24Avx512(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                                       std::ptrdiff_t nSrcStride, int nWidth, int nHeight,
                                                       int nThreshold)
{
    const CBinarizePermutes& k = BINARIZE_PERMUTES;
    const __m512i nLimit = _mm512_set1_epi16(static_cast<short>(nThreshold * 100));
    const __m512i nBlueGreen = _mm512_set1_epi16(static_cast<short>(11 | (59 << 8)));
    const __m512i nRedWeight = _mm512_set1_epi16(30);
    const __m512i nZero = _mm512_setzero_si512();
    const int nVectorEnd = nWidth - nWidth % 64;
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nVectorEnd; x += 64) {
            const BYTE* p = pIn + 3 * x;
            const __m512i v0 = _mm512_loadu_si512(p), v1 = _mm512_loadu_si512(p + 64), v2 = _mm512_loadu_si512(p + 128);
            __m512i aChannel[3];
            for (int c = 0; c < 3; ++c)
                aChannel[c] = _mm512_mask_permutexvar_epi8(
                    _mm512_permutex2var_epi8(v0, _mm512_load_si512(k.aSplit[c]), v1), k.nLast[c],
                    _mm512_load_si512(k.aSplitLast[c]), v2);
            // Within each 128-bit lane: pixels 0-7 in the low unpacking, 8-15 in the high one.
            const __m512i nLow = _mm512_add_epi16(
                _mm512_maddubs_epi16(_mm512_unpacklo_epi8(aChannel[0], aChannel[1]), nBlueGreen),
                _mm512_mullo_epi16(_mm512_unpacklo_epi8(aChannel[2], nZero), nRedWeight));
            const __m512i nHigh = _mm512_add_epi16(
                _mm512_maddubs_epi16(_mm512_unpackhi_epi8(aChannel[0], aChannel[1]), nBlueGreen),
                _mm512_mullo_epi16(_mm512_unpackhi_epi8(aChannel[2], nZero), nRedWeight));
            // 0xFF / 0x00 per pixel, back in pixel order, then each spread over its three bytes.
            const __m512i nWhite = _mm512_packs_epi16(_mm512_movm_epi16(_mm512_cmpgt_epi16_mask(nLow, nLimit)),
                                                      _mm512_movm_epi16(_mm512_cmpgt_epi16_mask(nHigh, nLimit)));
            BYTE* q = pOut + 3 * x;
            for (int v = 0; v < 3; ++v)
                _mm512_storeu_si512(q + 64 * v, _mm512_maskz_permutexvar_epi8(~__mmask64{0}, _mm512_load_si512(k.aJoin[v]), nWhite));
        }
        if (nVectorEnd < nWidth)
            BinarizePackedAvx2(pOut + 3 * nVectorEnd, 0, pIn + 3 * nVectorEnd, 0, nWidth - nVectorEnd, 1, 3,
                               nThreshold);
    }
}
#endif

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
#if KERNEL_X86_INTRINSICS
        // The wide form reads 64 pixels before it writes them: same rows or rows apart.
        const std::ptrdiff_t nRowBytes = std::ptrdiff_t{nWidth} * 3;
        if (nChannels == 3 && KernelHasAvx512Vbmi() &&
            ((pDst == pSrc && nDstStride == nSrcStride) ||
             !RowsOverlap(pDst, nDstStride, nRowBytes, pSrc, nSrcStride, nRowBytes, nHeight))) {
            BinarizePacked24Avx512(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, t);
            return;
        }
#endif
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
