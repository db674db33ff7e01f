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

#include "app/imaging/bgr_avx2.h"
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

// The output rows a kernel writes: nFirst .. nEnd - 1, within 2 .. height - 3 of the mosaic
// at pSrc; row y goes to pDst + y * nDstStride. Row 2 has the phase's row flag, later rows
// alternate, so a range starting elsewhere starts from the flag its first row has.
struct CRowRange {
    int nFirst;
    int nEnd;
};

// Any pixel sizes and gains, one pixel at a time.
void DemosaicGeneric(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                     int nSrcBpp, int nWidth, CRowRange rows, CPhase phase, int nGainR, int nGainB)
{
    int nRowFlag = phase.nRowFlag ^ ((rows.nFirst - 2) & 1);
    for (int y = rows.nFirst; y < rows.nEnd; ++y, nRowFlag ^= 1) {
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

// The rows rows.nFirst .. rows.nEnd - 1 of packed pictures, each through ROW_KERNEL::Run,
// which takes the row flag as its template argument.
template <typename ROW_KERNEL>
KERNEL_BODY void DemosaicPackedRows(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                    int nWidth, CRowRange rows, CPhase phase, int nGainR, int nGainB)
{
    const auto nGainR2 = static_cast<std::uint16_t>(nGainR * 2);
    const auto nGainB2 = static_cast<std::uint16_t>(nGainB * 2);
    int nRowFlag = phase.nRowFlag ^ ((rows.nFirst - 2) & 1);
    for (int y = rows.nFirst; y < rows.nEnd; ++y, nRowFlag ^= 1) {
        const BYTE* a = pSrc + (y - 2) * nSrcStride + 2;
        BYTE* pOut = pDst + y * nDstStride + 2 * 3;
        if (nRowFlag == 0)
            ROW_KERNEL::template Run<0>(pOut, a, a + nSrcStride, a + 2 * nSrcStride, a + 3 * nSrcStride, nWidth - 4,
                                        phase.nColFlag, nGainR2, nGainB2);
        else
            ROW_KERNEL::template Run<1>(pOut, a, a + nSrcStride, a + 2 * nSrcStride, a + 3 * nSrcStride, nWidth - 4,
                                        phase.nColFlag, nGainR2, nGainB2);
    }
}

struct CPackedRowKernel {
    template <int ROW_FLAG>
    KERNEL_BODY static void Run(BYTE* pOut, const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* d, int nCount,
                                int nColFlag, std::uint16_t nGainR2, std::uint16_t nGainB2)
    {
        DemosaicRowPacked<ROW_FLAG>(pOut, a, b, c, d, nCount, nColFlag, nGainR2, nGainB2);
    }
};

#if KERNEL_X86_INTRINSICS
// The packed row in AVX2 intrinsics, 32 pixels to a step. P = 3 b + d and Q = 3 c + a come
// from byte pairs (b, d) and (c, a) multiplied by (3, 1) and added in one instruction;
// the pairs are interleaved within 128-bit lanes, so the 16-bit results hold pixels
// 0..7, 16..23 (low) and 8..15, 24..31 (high), an order the final packing to bytes undoes.
// Pixel parity is the same in both orders. Green is the floor of the mean of two bytes,
// taken on the bytes directly.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i LoadBytes32(const BYTE* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

struct CPairSums {
    __m256i nLow, nHigh;
};

// 3 x + y for the 32 byte pairs at px, py.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline CPairSums ThreeXPlusY(const BYTE* px, const BYTE* py)
{
    const __m256i nX = LoadBytes32(px);
    const __m256i nY = LoadBytes32(py);
    const __m256i nWeights = _mm256_set1_epi16(0x0103); // bytes 3, 1
    return {_mm256_maddubs_epi16(_mm256_unpacklo_epi8(nX, nY), nWeights),
            _mm256_maddubs_epi16(_mm256_unpackhi_epi8(nX, nY), nWeights)};
}

// min((3 s0 + s2 or 3 s1 + s3, by parity) * gain >> 11, 255) for one half.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i ScaledSum(__m256i nEven0, __m256i nEvenM2, __m256i nOddM1,
                                                                  __m256i nOddP1, __m256i nOdd, __m256i nGain2)
{
    const __m256i nThree = _mm256_set1_epi16(3);
    const __m256i nEven = _mm256_add_epi16(_mm256_mullo_epi16(nEven0, nThree), nEvenM2);
    const __m256i nOddSum = _mm256_add_epi16(_mm256_mullo_epi16(nOddM1, nThree), nOddP1);
    const __m256i nSum = _mm256_blendv_epi8(nEven, nOddSum, nOdd);
    return _mm256_min_epu16(_mm256_mulhi_epu16(_mm256_slli_epi16(nSum, 4), nGain2), _mm256_set1_epi16(255));
}

// Floor of the mean of two bytes.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i FloorMean(__m256i x, __m256i y)
{
    return _mm256_sub_epi8(_mm256_avg_epu8(x, y), _mm256_and_si256(_mm256_xor_si256(x, y), _mm256_set1_epi8(1)));
}

// Lanes of odd column phase for a step whose first pixel has column flag nFlag.
struct CParityMasks {
    __m256i nOdd16, nOdd8;
};

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline CParityMasks ParityMasks(int nFlag)
{
    if (nFlag != 0)
        return {_mm256_set1_epi32(0x0000FFFF), _mm256_set1_epi16(0x00FF)};
    return {_mm256_set1_epi32(static_cast<int>(0xFFFF0000u)), _mm256_set1_epi16(static_cast<short>(0xFF00))};
}

struct CBgrBytes32 {
    __m256i nBlue, nGreen, nRed;
};

// 32 output pixels from column i of the rows a..d (see DemosaicRowPacked).
template <int ROW_FLAG>
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline CBgrBytes32 Demosaic32(const BYTE* a, const BYTE* b,
                                                                const BYTE* c, const BYTE* d, CParityMasks odd,
                                                                __m256i nGainRed, __m256i nGainBlue)
{
    // P and Q at offsets -2, -1, 0, +1.
    CPairSums aP[4], aQ[4];
    for (int o = 0; o < 4; ++o) {
        aP[o] = ThreeXPlusY(b + o - 2, d + o - 2);
        aQ[o] = ThreeXPlusY(c + o - 2, a + o - 2);
    }
    const CPairSums* pRed = ROW_FLAG == 0 ? aP : aQ;
    const CPairSums* pBlue = ROW_FLAG == 0 ? aQ : aP;
    // Red: even 3 R[0] + R[-2], odd 3 R[-1] + R[+1]. Blue: odd 3 B[0] + B[-2], even 3 B[-1] + B[+1].
    const __m256i nRedLow = ScaledSum(pRed[2].nLow, pRed[0].nLow, pRed[1].nLow, pRed[3].nLow, odd.nOdd16, nGainRed);
    const __m256i nRedHigh =
        ScaledSum(pRed[2].nHigh, pRed[0].nHigh, pRed[1].nHigh, pRed[3].nHigh, odd.nOdd16, nGainRed);
    // ScaledSum takes its second sum on set lanes: for blue those are the even ones.
    const __m256i nEven16 = _mm256_xor_si256(odd.nOdd16, _mm256_set1_epi32(-1));
    const __m256i nBlueLow =
        ScaledSum(pBlue[2].nLow, pBlue[0].nLow, pBlue[1].nLow, pBlue[3].nLow, nEven16, nGainBlue);
    const __m256i nBlueHigh =
        ScaledSum(pBlue[2].nHigh, pBlue[0].nHigh, pBlue[1].nHigh, pBlue[3].nHigh, nEven16, nGainBlue);
    const __m256i nRed = _mm256_packus_epi16(nRedLow, nRedHigh);
    const __m256i nBlue = _mm256_packus_epi16(nBlueLow, nBlueHigh);

    const __m256i nG1 = FloorMean(LoadBytes32(b - 1), LoadBytes32(c));
    const __m256i nG2 = FloorMean(LoadBytes32(c - 1), LoadBytes32(b));
    const __m256i nGreen =
        ROW_FLAG == 0 ? _mm256_blendv_epi8(nG1, nG2, odd.nOdd8) : _mm256_blendv_epi8(nG2, nG1, odd.nOdd8);

    return {nBlue, nGreen, nRed};
}

// The output row is apart from the source, so a row whose length is not a multiple of 32
// ends with a step that overlaps the one before and writes some pixels again, equal.
// The reconstruction is the AVX2 code in both builds of the row; they differ in the store
// that interleaves the channels. A target attribute cannot be a template argument, so
// the row is written once here and defined for each instruction set.
#define DEFINE_DEMOSAIC_ROW(NAME, TARGET, STORE)                                                                   \
    template <int ROW_FLAG>                                                                                        \
    TARGET void NAME(BYTE* pOut, const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* d, int nCount,           \
                     int nColFlag, std::uint16_t nGainR2, std::uint16_t nGainB2)                                   \
    {                                                                                                              \
        if (nCount < 32) {                                                                                         \
            DemosaicRowPacked<ROW_FLAG>(pOut, a, b, c, d, nCount, nColFlag, nGainR2, nGainB2);                     \
            return;                                                                                                \
        }                                                                                                          \
        const __m256i nGainRed = _mm256_set1_epi16(static_cast<short>(nGainR2));                                   \
        const __m256i nGainBlue = _mm256_set1_epi16(static_cast<short>(nGainB2));                                  \
        for (int k = 0; k < (nCount + 31) / 32; ++k) {                                                             \
            const int i = std::min(32 * k, nCount - 32);                                                           \
            const CBgrBytes32 px = Demosaic32<ROW_FLAG>(a + i, b + i, c + i, d + i, ParityMasks(nColFlag ^ (i & 1)), \
                                                        nGainRed, nGainBlue);                                      \
            STORE(pOut + 3 * i, px.nBlue, px.nGreen, px.nRed);                                                     \
        }                                                                                                          \
    }

DEFINE_DEMOSAIC_ROW(DemosaicRowAvx2, KERNEL_TARGET_AVX2, StoreBgrBytes32)
DEFINE_DEMOSAIC_ROW(DemosaicRowVbmi, KERNEL_TARGET_AVX512_VBMI, StoreBgrBytes32Vbmi)
#undef DEFINE_DEMOSAIC_ROW

struct CAvx2RowKernel {
    template <int ROW_FLAG>
    KERNEL_BODY static void Run(BYTE* pOut, const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* d, int nCount,
                                int nColFlag, std::uint16_t nGainR2, std::uint16_t nGainB2)
    {
        if (KernelHasAvx512Vbmi())
            DemosaicRowVbmi<ROW_FLAG>(pOut, a, b, c, d, nCount, nColFlag, nGainR2, nGainB2);
        else
            DemosaicRowAvx2<ROW_FLAG>(pOut, a, b, c, d, nCount, nColFlag, nGainR2, nGainB2);
    }
};
#endif

KERNEL_TARGET_AVX2 void DemosaicPackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                           std::ptrdiff_t nSrcStride, int nWidth, CRowRange rows, CPhase phase, int nGainR,
                                           int nGainB)
{
#if KERNEL_X86_INTRINSICS
    DemosaicPackedRows<CAvx2RowKernel>(pDst, nDstStride, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
#else
    DemosaicPackedRows<CPackedRowKernel>(pDst, nDstStride, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
#endif
}

void DemosaicPackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                        CRowRange rows, CPhase phase, int nGainR, int nGainB)
{
    DemosaicPackedRows<CPackedRowKernel>(pDst, nDstStride, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
}

// Gains as the kernels take them: trunc(hundredths * 1.28).
int KernelGain(int nGain)
{
    return TruncToInt(nGain * 1.28);
}

bool PackedGains(int nGainR, int nGainB)
{
    return nGainR >= 0 && nGainR <= 32767 && nGainB >= 0 && nGainB <= 32767;
}

} // namespace

void DemosaicRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                  int nSrcBpp, int nWidth, int nHeight, const CDemosaicParam& param)
{
    if (nWidth < 5 || nHeight < 5 || nDstBpp < 3 || nSrcBpp < 1)
        return;
    const CPhase phase = PhaseOfMode(param.nMode);
    const int nGainR = KernelGain(param.nGainR);
    const int nGainB = KernelGain(param.nGainB);
    const CRowRange rows{2, nHeight - 2};
    const bool bPacked = nSrcBpp == 1 && nDstBpp == 3 && PackedGains(nGainR, nGainB) &&
                         !RowsOverlap(pDst, nDstStride, std::ptrdiff_t{nWidth} * 3, pSrc, nSrcStride, nWidth, nHeight);
    if (!bPacked) {
        DemosaicGeneric(pDst, nDstStride, nDstBpp, pSrc, nSrcStride, nSrcBpp, nWidth, rows, phase, nGainR, nGainB);
        return;
    }
    if (KernelHasAvx2())
        DemosaicPackedAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
    else
        DemosaicPackedBase(pDst, nDstStride, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
}

void DemosaicRow(BYTE* pOut, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth, int nHeight, int y,
                 const CDemosaicParam& param)
{
    if (nWidth < 5 || y < 2 || y > nHeight - 3)
        return;
    const CPhase phase = PhaseOfMode(param.nMode);
    const int nGainR = KernelGain(param.nGainR);
    const int nGainB = KernelGain(param.nGainB);
    // Destination stride 0: row y lands on pOut itself.
    const CRowRange rows{y, y + 1};
    if (!PackedGains(nGainR, nGainB))
        DemosaicGeneric(pOut, 0, 3, pSrc, nSrcStride, 1, nWidth, rows, phase, nGainR, nGainB);
    else if (KernelHasAvx2())
        DemosaicPackedAvx2(pOut, 0, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
    else
        DemosaicPackedBase(pOut, 0, pSrc, nSrcStride, nWidth, rows, phase, nGainR, nGainB);
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
