// Sharpen. The first pass of the unsharp mask blurs with a 4 x 4 box whose window is
// off-centre (two pixels before, one after), the second adds s / 10 of the difference
// between the original and the blur. The table form of the second pass,
// T[k] = trunc(s (k - 255) / 10) indexed by o - b + 255, is the integer quotient
// s (o - b) / 10 (truncated toward zero), which the fast kernel computes directly.
#include "app/imaging/sharpen.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"

#if KERNEL_X86_INTRINSICS
#include <immintrin.h>
#endif

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

// One packed output row (nChannels bytes per pixel) from the source rows r0..r3 (y - 2 ..
// y + 1), destination apart from them. T is the type the correction is computed in
// (int16_t or int32_t).
template <typename T, int CHANNELS>
KERNEL_BODY void SharpenPackedRow(BYTE* __restrict pOut, const BYTE* __restrict r0, const BYTE* __restrict r1,
                                  const BYTE* __restrict r2, const BYTE* __restrict r3, int nWidth, int nStrength)
{
    const T s = static_cast<T>(nStrength);
    // Column sums of the four rows for the bytes of one chunk and its window margins.
    std::uint16_t aColumn[SHARPEN_CHUNK + 3 * CHANNELS];
    const int nFirst = 2 * CHANNELS;               // first output byte of a row
    const int nEnd = (nWidth - 2) * CHANNELS;       // after the last one
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

// Four source rows by address: the row-at-a-time form and the rows of a picture share it.
struct CSourceRows {
    const BYTE* r0;
    const BYTE* r1;
    const BYTE* r2;
    const BYTE* r3;
};

template <typename T>
KERNEL_BODY void SharpenRowDispatch(BYTE* pOut, CSourceRows rows, int nWidth, int nChannels, int nStrength)
{
    if (nChannels == 1)
        SharpenPackedRow<T, 1>(pOut, rows.r0, rows.r1, rows.r2, rows.r3, nWidth, nStrength);
    else
        SharpenPackedRow<T, 3>(pOut, rows.r0, rows.r1, rows.r2, rows.r3, nWidth, nStrength);
}

KERNEL_BODY void SharpenPackedBody(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                   int nWidth, int nHeight, int nChannels, int nStrength)
{
    for (int y = 2; y <= nHeight - 3; ++y) {
        const BYTE* r0 = pSrc + (y - 2) * nSrcStride;
        const CSourceRows rows{r0, r0 + nSrcStride, r0 + 2 * nSrcStride, r0 + 3 * nSrcStride};
        if (nStrength >= -MAX_STRENGTH_16 && nStrength <= MAX_STRENGTH_16)
            SharpenRowDispatch<std::int16_t>(pDst + y * nDstStride, rows, nWidth, nChannels, nStrength);
        else
            SharpenRowDispatch<std::int32_t>(pDst + y * nDstStride, rows, nWidth, nChannels, nStrength);
    }
}

void SharpenPackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                       int nHeight, int nChannels, int nStrength)
{
    SharpenPackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, nChannels, nStrength);
}

#if KERNEL_X86_INTRINSICS
// The 16-bit form in AVX2 intrinsics, 16 bytes to a step: the column sums of the four
// rows go to a buffer, then the blur adds four of them, and s (o - b) / 10 is divided by
// multiplying: for |x| < 32768, trunc(x / 10) = ((x * 26215) >> 18) + (x < 0), since
// 26215 / 2^18 exceeds 1 / 10 by less than 0.1 / 32768. The output row is apart from the
// source, so a last partial step may overlap the one before.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i Widen16(const BYTE* p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i LoadLanes(const std::uint16_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Output bytes j .. j + 15 of a chunk from its column sums (see SharpenVectorRow).
template <int CHANNELS>
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void SharpenStep(BYTE* pOut, const BYTE* pOriginal,
                                                                 const std::uint16_t* pColumn, __m256i s)
{
    const __m256i nBlur = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(LoadLanes(pColumn), LoadLanes(pColumn + CHANNELS)),
                         _mm256_add_epi16(LoadLanes(pColumn + 2 * CHANNELS), LoadLanes(pColumn + 3 * CHANNELS))),
        4);
    const __m256i o = Widen16(pOriginal);
    const __m256i x = _mm256_mullo_epi16(s, _mm256_sub_epi16(o, nBlur));
    const __m256i nCorrection = _mm256_sub_epi16(_mm256_srai_epi16(_mm256_mulhi_epi16(x, _mm256_set1_epi16(26215)), 2),
                                                 _mm256_srai_epi16(x, 15));
    const __m256i nValue = _mm256_add_epi16(o, nCorrection);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut),
                     _mm_packus_epi16(_mm256_castsi256_si128(nValue), _mm256_extracti128_si256(nValue, 1)));
}

// The row in chunks as SharpenPackedRow<int16_t>, for |s| <= MAX_STRENGTH_16.
template <int CHANNELS>
KERNEL_TARGET_AVX2 void SharpenVectorRow(BYTE* pOut, CSourceRows rows, int nWidth, int nStrength)
{
    constexpr int MARGIN = 3 * CHANNELS; // column sums beyond the output bytes of a chunk
    alignas(32) std::uint16_t aColumn[SHARPEN_CHUNK + MARGIN];
    const __m256i s = _mm256_set1_epi16(static_cast<short>(nStrength));
    const int nFirst = 2 * CHANNELS;
    const int nEnd = (nWidth - 2) * CHANNELS;
    for (int k0 = nFirst; k0 < nEnd; k0 += SHARPEN_CHUNK) {
        const int n = nEnd - k0 < SHARPEN_CHUNK ? nEnd - k0 : SHARPEN_CHUNK;
        if (n < 16) { // a short last chunk, byte by byte
            for (int k = k0; k < k0 + n; ++k) {
                int nSum = 0;
                for (const BYTE* pRow : {rows.r0, rows.r1, rows.r2, rows.r3})
                    nSum += pRow[k - 2 * CHANNELS] + pRow[k - CHANNELS] + pRow[k] + pRow[k + CHANNELS];
                const int o = rows.r2[k];
                pOut[k] = ClampToByte(o + nStrength * (o - (nSum >> 4)) / 10);
            }
            break;
        }
        // aColumn[i] holds the sum at byte k0 - 2 * CHANNELS + i.
        const int nBase = k0 - nFirst;
        const int nSums = n + MARGIN;
        int i = 0;
        for (; i + 16 <= nSums; i += 16) {
            const int k = nBase + i;
            const __m256i nSum = _mm256_add_epi16(_mm256_add_epi16(Widen16(rows.r0 + k), Widen16(rows.r1 + k)),
                                                  _mm256_add_epi16(Widen16(rows.r2 + k), Widen16(rows.r3 + k)));
            _mm256_store_si256(reinterpret_cast<__m256i*>(aColumn + i), nSum);
        }
        for (; i < nSums; ++i) {
            const int k = nBase + i;
            aColumn[i] = static_cast<std::uint16_t>(rows.r0[k] + rows.r1[k] + rows.r2[k] + rows.r3[k]);
        }
        int j = 0;
        for (; j + 16 <= n; j += 16)
            SharpenStep<CHANNELS>(pOut + k0 + j, rows.r2 + k0 + j, aColumn + j, s);
        if (j < n)
            SharpenStep<CHANNELS>(pOut + k0 + n - 16, rows.r2 + k0 + n - 16, aColumn + n - 16, s);
    }
}
#endif

KERNEL_TARGET_AVX2 void SharpenRowAvx2(BYTE* pOut, CSourceRows rows, int nWidth, int nChannels, int nStrength)
{
    const bool bShort = nStrength >= -MAX_STRENGTH_16 && nStrength <= MAX_STRENGTH_16;
#if KERNEL_X86_INTRINSICS
    if (bShort) {
        if (nChannels == 1)
            SharpenVectorRow<1>(pOut, rows, nWidth, nStrength);
        else
            SharpenVectorRow<3>(pOut, rows, nWidth, nStrength);
        return;
    }
#endif
    if (bShort)
        SharpenRowDispatch<std::int16_t>(pOut, rows, nWidth, nChannels, nStrength);
    else
        SharpenRowDispatch<std::int32_t>(pOut, rows, nWidth, nChannels, nStrength);
}

KERNEL_TARGET_AVX2 void SharpenPackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                          std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int nChannels,
                                          int nStrength)
{
    for (int y = 2; y <= nHeight - 3; ++y) {
        const BYTE* r0 = pSrc + (y - 2) * nSrcStride;
        SharpenRowAvx2(pDst + y * nDstStride, CSourceRows{r0, r0 + nSrcStride, r0 + 2 * nSrcStride, r0 + 3 * nSrcStride},
                       nWidth, nChannels, nStrength);
    }
}

void SharpenRowBase(BYTE* pOut, CSourceRows rows, int nWidth, int nChannels, int nStrength)
{
    if (nStrength >= -MAX_STRENGTH_16 && nStrength <= MAX_STRENGTH_16)
        SharpenRowDispatch<std::int16_t>(pOut, rows, nWidth, nChannels, nStrength);
    else
        SharpenRowDispatch<std::int32_t>(pOut, rows, nWidth, nChannels, nStrength);
}

// One row of the literal definition (any strength), for rows given by address.
void SharpenRowGeneric(BYTE* pOut, CSourceRows rows, int nWidth, int nChannels, int nStrength)
{
    const BYTE* aRows[4] = {rows.r0, rows.r1, rows.r2, rows.r3};
    for (int k = 2 * nChannels; k < (nWidth - 2) * nChannels; ++k) {
        int nSum = 0;
        for (const BYTE* pRow : aRows)
            for (int dx = -2; dx <= 1; ++dx)
                nSum += pRow[k + dx * nChannels];
        const int o = rows.r2[k];
        const long long nValue = o + static_cast<long long>(nStrength) * (o - (nSum >> 4)) / 10;
        pOut[k] = static_cast<BYTE>(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
    }
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

void SharpenRow(BYTE* pOut, const BYTE* r0, const BYTE* r1, const BYTE* r2, const BYTE* r3, int nWidth, int nChannels,
                int nStrength)
{
    if (nWidth < 5 || (nChannels != 1 && nChannels != 3))
        return;
    const CSourceRows rows{r0, r1, r2, r3};
    if (nStrength < -MAX_STRENGTH_32 || nStrength > MAX_STRENGTH_32)
        SharpenRowGeneric(pOut, rows, nWidth, nChannels, nStrength);
    else if (KernelHasAvx2())
        SharpenRowAvx2(pOut, rows, nWidth, nChannels, nStrength);
    else
        SharpenRowBase(pOut, rows, nWidth, nChannels, nStrength);
}
