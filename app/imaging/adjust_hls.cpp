// AdjustHls. The conversion follows the classic integer HLS formulas with hue in 360
// steps per turn and sectors of 64 steps:
//   L = (max + min) >> 1; d = max - min (grey: S = H = 0);
//   S = d * 255 / (max + min) for L < 128, else d * 255 / (510 - max - min);
//   H = 64 (g - b) / d when red is largest, 64 (b - r) / d + 120 when green is,
//       64 (r - g) / d + 240 otherwise, brought into 0..359.
// After adding the deltas (H', L', S'), S' <= 0 gives grey L'; otherwise with S' capped at
// 255, m2 = ((S' + 255) L') >> 8 for L' < 128, else S' + L' - ((S' L') >> 8), m1 = 2 L' - m2,
// and each channel takes f(h) at h = (H' + 120) mod 360 for red, H' mod 360 for green and
// (H' - 120) mod 360 for blue, the remainder having the sign of the dividend:
//   f = m1 (h < 0), m1 + (((m2 - m1) h) >> 6) (h < 60), m2 (h < 180),
//       m1 + (((m2 - m1) (240 - h)) >> 6) (h < 240), m1 (h >= 240),
// clamped to 0..255. Divisions truncate toward zero, shifts are arithmetic.
//
// The kernel computes the same numbers without integer division so that the compiler
// can vectorise it: the quotients are taken in single precision and corrected by one
// where the rounded quotient reached the next integer (every operand is an integer below
// 2^24, so the float quotient is never off by more). The hue remainders need no division
// either, since H lies in 0..359 and the deltas are fixed for the call.
#include "app/imaging/adjust_hls.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/bgr_avx2.h"
#include "app/imaging/pixel_kernel.h"

#include <algorithm>
#include <cstdint>

namespace {

// Deltas limited to ranges whose results are those of any larger delta (every channel
// is saturated beyond them), so that no intermediate product can overflow.
constexpr int MAX_LIGHTNESS_DELTA = 1 << 20;
constexpr int MAX_SATURATION_DELTA = 1000;

// Where channel hue h = (H + offset) mod 360 comes from for one channel: h is negative for
// H < nNegativeBelow, else (H + nShift) reduced once by 360.
struct CChannelHue {
    int nNegativeBelow;
    int nShift;
};

struct CHlsConstants {
    int nLightness;
    int nSaturation;
    CChannelHue aHue[3]; // red, green, blue
};

CChannelHue MakeChannelHue(long long nOffset)
{
    const int nShift = static_cast<int>(((nOffset % 360) + 360) % 360);
    if (nOffset >= 0)
        return {0, nShift};
    return {static_cast<int>(std::min(-nOffset, 360LL)), nShift};
}

CHlsConstants MakeConstants(const CHlsParam& param)
{
    CHlsConstants k{};
    k.nLightness = std::clamp(param.nLightness, -MAX_LIGHTNESS_DELTA, MAX_LIGHTNESS_DELTA);
    k.nSaturation = std::clamp(param.nSaturation, -MAX_SATURATION_DELTA, MAX_SATURATION_DELTA);
    k.aHue[0] = MakeChannelHue(static_cast<long long>(param.nHue) + 120);
    k.aHue[1] = MakeChannelHue(param.nHue);
    k.aHue[2] = MakeChannelHue(static_cast<long long>(param.nHue) - 120);
    return k;
}

// trunc(nNum / nDen) for 0 <= nNum < 2^24 and 0 < nDen < 2^24. The check multiplies
// in single precision too, which is exact for these magnitudes.
KERNEL_BODY int Quotient(int nNum, int nDen)
{
    const float fNum = static_cast<float>(nNum);
    const float fDen = static_cast<float>(nDen);
    const int nQuotient = static_cast<int>(fNum / fDen);
    return nQuotient - (static_cast<float>(nQuotient) * fDen > fNum ? 1 : 0);
}

// Plain min and max: the std:: templates are not inlined into the AVX2 build.
KERNEL_BODY int Min(int a, int b)
{
    return a < b ? a : b;
}

KERNEL_BODY int Max(int a, int b)
{
    return a > b ? a : b;
}

KERNEL_BODY int Clamp255(int nValue)
{
    return nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue);
}

// f(h) for channel hue h of hue H. The rising and the falling ramp share one product:
// t = h on the rise (0..59), 240 - h on the fall (180..239).
KERNEL_BODY int ChannelValue(int nHue, CChannelHue hue, int m1, int m2)
{
    const int nWrapped = nHue + hue.nShift;
    const int h = nHue < hue.nNegativeBelow ? -1 : (nWrapped >= 360 ? nWrapped - 360 : nWrapped);
    const int t = h < 60 ? h : 240 - h;
    const int nRamp = m1 + (((m2 - m1) * t) >> 6);
    // Unsigned range tests keep the selection free of branches.
    const auto u = static_cast<unsigned>(h);
    const bool bRamp = u < 60u || u - 180u < 60u;
    const int nValue = bRamp ? nRamp : (u - 60u < 120u ? m2 : m1);
    return Clamp255(nValue);
}

struct CBgr {
    BYTE b;
    BYTE g;
    BYTE r;
};

KERNEL_BODY CBgr AdjustPixel(int r, int g, int b, const CHlsConstants& k)
{
    const int nMax = Max(r, Max(g, b));
    const int nMin = Min(r, Min(g, b));
    const int nSum = nMax + nMin;
    const int nLightness = nSum >> 1;
    const int d = nMax - nMin;
    const bool bGrey = d == 0;

    // Grey pixels divide 0 by 1: saturation 0, and the hue numerator g - b is 0 too.
    const int nSatDen = bGrey ? 1 : (nLightness < 128 ? nSum : 510 - nSum);
    const int nSaturation = Quotient((d << 8) - d, nSatDen);
    const int nHueNum = r == nMax ? g - b : (g == nMax ? b - r : r - g);
    const int nHueBase = r == nMax ? 0 : (g == nMax ? 120 : 240);
    const int nHueAbs = Quotient(64 * (nHueNum < 0 ? -nHueNum : nHueNum), bGrey ? 1 : d);
    const int nHueRaw = nHueBase + (nHueNum < 0 ? -nHueAbs : nHueAbs);
    const int nHue = nHueRaw < 0 ? nHueRaw + 360 : nHueRaw;

    const int nSat2 = nSaturation + k.nSaturation;
    const int nLight2 = nLightness + k.nLightness;
    const int nSat3 = nSat2 < 255 ? nSat2 : 255;
    // (S' + 255) L' = S' L' + 255 L': one product serves both forms of m2.
    const int nProduct = nSat3 * nLight2;
    const int m2 = nLight2 < 128 ? (nProduct + (nLight2 << 8) - nLight2) >> 8 : nSat3 + nLight2 - (nProduct >> 8);
    const int m1 = 2 * nLight2 - m2;
    const int nGreyValue = Clamp255(nLight2);
    const bool bToGrey = nSat2 <= 0;
    CBgr out;
    out.b = static_cast<BYTE>(bToGrey ? nGreyValue : ChannelValue(nHue, k.aHue[2], m1, m2));
    out.g = static_cast<BYTE>(bToGrey ? nGreyValue : ChannelValue(nHue, k.aHue[1], m1, m2));
    out.r = static_cast<BYTE>(bToGrey ? nGreyValue : ChannelValue(nHue, k.aHue[0], m1, m2));
    return out;
}

// Packed rows (3 bytes per pixel on both sides). Each pixel is read before it is
// written, so in-place use is correct.
KERNEL_BODY void AdjustPackedBody(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                                  int nWidth, int nHeight, const CHlsConstants& constants)
{
    // A copy the byte stores cannot be assumed to change.
    const CHlsConstants k = constants;
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x) {
            const CBgr out = AdjustPixel(pIn[3 * x + 2], pIn[3 * x + 1], pIn[3 * x], k);
            pOut[3 * x] = out.b;
            pOut[3 * x + 1] = out.g;
            pOut[3 * x + 2] = out.r;
        }
    }
}

KERNEL_TARGET_AVX2 void AdjustPackedAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                         std::ptrdiff_t nSrcStride, int nWidth, int nHeight, const CHlsConstants& k)
{
    AdjustPackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, k);
}

void AdjustPackedBase(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc, std::ptrdiff_t nSrcStride, int nWidth,
                      int nHeight, const CHlsConstants& k)
{
    AdjustPackedBody(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, k);
}


#if KERNEL_X86_INTRINSICS
// The AVX2 kernel: sixteen pixels to a step in 16-bit lanes, the two quotients in single
// precision (SmallQuotient16). 16 bits hold every intermediate once the deltas are limited further:
// a lightness delta of -300 already makes every channel 0 (L' <= -1 gives m1 <= 0 and
// m2 <= -1), one of 600 makes every channel 255 (L' >= 512 gives m1, m2 >= 255); a
// saturation delta of 255 already saturates S', one of -256 already makes S' <= 0.
// Then L' lies in -300..855, S' is used in 1..255 and |m2 - m1| stays below 1200, so the
// products that need more than 16 bits are taken as high halves of scaled operands:
// (a * b) >> 8 = mulhi(a << 7, b << 1), ((m2 - m1) w) >> 6 = mulhi((m2 - m1) << 4, w << 6).
constexpr int VECTOR_MIN_LIGHTNESS = -300;
constexpr int VECTOR_MAX_LIGHTNESS = 600;
constexpr int VECTOR_MIN_SATURATION = -256;
constexpr int VECTOR_MAX_SATURATION = 255;

// trunc(nNum / nDen) lane by lane for quotients below 256, nNum 0..65535 (unsigned
// lanes), nDen 1..510. The single-precision quotient needs no correction here: the true
// quotient lies at least 1 / nDen >= 1 / 510 below the next integer, and rounding moves
// it by at most half a unit in the last place, 2^-17 below 256, so it cannot reach it.
// The lanes are widened in the order of unpacking within 128-bit halves, which packing
// back undoes.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i SmallQuotient16(__m256i nNum, __m256i nDen)
{
    const __m256i nZero = _mm256_setzero_si256();
    const __m256i nLow = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpacklo_epi16(nNum, nZero)),
                                                           _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(nDen, nZero))));
    const __m256i nHigh = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpackhi_epi16(nNum, nZero)),
                                                            _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(nDen, nZero))));
    return _mm256_packs_epi32(nLow, nHigh);
}

struct CHlsVectorConstants {
    __m256i nLightness, nSaturation;
    __m256i aNegativeBelow[3], aShift[3]; // red, green, blue
};

// f(h) of one channel (see ChannelValue), before clamping, as m1 + (((m2 - m1) w) >> 6)
// with the weight w = h on the rise (h < 60), 64 on the flat top (60 <= h < 180), where
// it gives m2 exactly, 240 - h on the fall (180 <= h < 240) and 0 elsewhere (h = -1 or
// h >= 240), where it gives m1: w = max(min(h < 60 ? h : 64, h < 180 ? 64 : 240 - h), 0).
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i ChannelValue16(__m256i nHue, __m256i nNegativeBelow,
                                                                       __m256i nShift, __m256i m1, __m256i nSpan16)
{
    const __m256i n64 = _mm256_set1_epi16(64);
    const __m256i nWrapped = _mm256_add_epi16(nHue, nShift);
    __m256i h = _mm256_sub_epi16(nWrapped, _mm256_and_si256(_mm256_cmpgt_epi16(nWrapped, _mm256_set1_epi16(359)),
                                                            _mm256_set1_epi16(360)));
    h = _mm256_or_si256(h, _mm256_cmpgt_epi16(nNegativeBelow, nHue)); // -1 where negative
    const __m256i nRise = _mm256_blendv_epi8(n64, h, _mm256_cmpgt_epi16(_mm256_set1_epi16(60), h));
    const __m256i nFall =
        _mm256_blendv_epi8(_mm256_sub_epi16(_mm256_set1_epi16(240), h), n64, _mm256_cmpgt_epi16(_mm256_set1_epi16(180), h));
    const __m256i w = _mm256_max_epi16(_mm256_min_epi16(nRise, nFall), _mm256_setzero_si256());
    return _mm256_add_epi16(m1, _mm256_mulhi_epi16(nSpan16, _mm256_slli_epi16(w, 6)));
}

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void Adjust16(const BYTE* pIn, BYTE* pOut,
                                                              const CHlsVectorConstants& k)
{
    const CBgr16 px = LoadBgr16(pIn);
    const __m256i nMax = _mm256_max_epi16(px.r, _mm256_max_epi16(px.g, px.b));
    const __m256i nMin = _mm256_min_epi16(px.r, _mm256_min_epi16(px.g, px.b));
    const __m256i nSum = _mm256_add_epi16(nMax, nMin);
    const __m256i nLightness = _mm256_srli_epi16(nSum, 1);
    const __m256i d = _mm256_sub_epi16(nMax, nMin);
    const __m256i nOne = _mm256_set1_epi16(1);

    // S = 255 d / (L < 128 ? sum : 510 - sum); grey pixels divide 0 by at least 1.
    const __m256i bDark = _mm256_cmpgt_epi16(_mm256_set1_epi16(128), nLightness);
    const __m256i nSatDen =
        _mm256_max_epi16(_mm256_blendv_epi8(_mm256_sub_epi16(_mm256_set1_epi16(510), nSum), nSum, bDark), nOne);
    const __m256i nSaturation = SmallQuotient16(_mm256_sub_epi16(_mm256_slli_epi16(d, 8), d), nSatDen);

    // H from the largest channel: red first, then green, then blue.
    const __m256i bRedMax = _mm256_cmpeq_epi16(px.r, nMax);
    const __m256i bGreenMax = _mm256_andnot_si256(bRedMax, _mm256_cmpeq_epi16(px.g, nMax));
    __m256i nHueNum = _mm256_blendv_epi8(_mm256_sub_epi16(px.r, px.g), _mm256_sub_epi16(px.b, px.r), bGreenMax);
    nHueNum = _mm256_blendv_epi8(nHueNum, _mm256_sub_epi16(px.g, px.b), bRedMax);
    const __m256i nHueBase = _mm256_andnot_si256(
        bRedMax, _mm256_blendv_epi8(_mm256_set1_epi16(240), _mm256_set1_epi16(120), bGreenMax));
    const __m256i nHueAbs =
        SmallQuotient16(_mm256_slli_epi16(_mm256_abs_epi16(nHueNum), 6), _mm256_max_epi16(d, nOne));
    const __m256i nHueRaw = _mm256_add_epi16(nHueBase, _mm256_sign_epi16(nHueAbs, nHueNum));
    const __m256i nHue =
        _mm256_add_epi16(nHueRaw, _mm256_and_si256(_mm256_srai_epi16(nHueRaw, 15), _mm256_set1_epi16(360)));

    const __m256i nSat2 = _mm256_add_epi16(nSaturation, k.nSaturation);
    const __m256i nLight2 = _mm256_add_epi16(nLightness, k.nLightness);
    const __m256i nSat3 = _mm256_max_epi16(_mm256_min_epi16(nSat2, _mm256_set1_epi16(255)), _mm256_setzero_si256());
    // m2 = ((S' + 255) L') >> 8 for L' < 128, else S' + L' - ((S' L') >> 8).
    const __m256i m2Dark = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_add_epi16(nSat3, _mm256_set1_epi16(255)), 6),
                                              _mm256_slli_epi16(nLight2, 2));
    const __m256i m2Light = _mm256_sub_epi16(_mm256_add_epi16(nSat3, nLight2),
                                             _mm256_mulhi_epi16(_mm256_slli_epi16(nSat3, 7), _mm256_slli_epi16(nLight2, 1)));
    const __m256i m2Colour = _mm256_blendv_epi8(m2Light, m2Dark, _mm256_cmpgt_epi16(_mm256_set1_epi16(128), nLight2));
    // S' <= 0 gives grey L' in every channel: m1 = m2 = L' gives that for any hue.
    const __m256i bToGrey = _mm256_cmpgt_epi16(nOne, nSat2);
    const __m256i m2 = _mm256_blendv_epi8(m2Colour, nLight2, bToGrey);
    const __m256i m1 = _mm256_sub_epi16(_mm256_add_epi16(nLight2, nLight2), m2);
    const __m256i nSpan16 = _mm256_slli_epi16(_mm256_sub_epi16(m2, m1), 4);

    __m256i aOut[3];
    for (int c = 0; c < 3; ++c)
        aOut[c] = ChannelValue16(nHue, k.aNegativeBelow[c], k.aShift[c], m1, nSpan16);
    // aOut is red, green, blue; the bytes are saturated to 0..255 as the clamp requires.
    StoreBgrBytes(pOut, SaturateToBytes(aOut[2]), SaturateToBytes(aOut[1]), SaturateToBytes(aOut[0]));
}

KERNEL_TARGET_AVX2 void AdjustVectorAvx2(BYTE* pDst, std::ptrdiff_t nDstStride, const BYTE* pSrc,
                                         std::ptrdiff_t nSrcStride, int nWidth, int nHeight,
                                         const CHlsConstants& constants)
{
    CHlsVectorConstants k;
    k.nLightness = _mm256_set1_epi16(
        static_cast<short>(std::clamp(constants.nLightness, VECTOR_MIN_LIGHTNESS, VECTOR_MAX_LIGHTNESS)));
    k.nSaturation = _mm256_set1_epi16(
        static_cast<short>(std::clamp(constants.nSaturation, VECTOR_MIN_SATURATION, VECTOR_MAX_SATURATION)));
    for (int c = 0; c < 3; ++c) {
        k.aNegativeBelow[c] = _mm256_set1_epi16(static_cast<short>(constants.aHue[c].nNegativeBelow));
        k.aShift[c] = _mm256_set1_epi16(static_cast<short>(constants.aHue[c].nShift));
    }
    const int nVectorEnd = nWidth - nWidth % 16;
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nVectorEnd; x += 16)
            Adjust16(pIn + 3 * x, pOut + 3 * x, k);
        if (nVectorEnd < nWidth)
            AdjustPackedBody(pOut + 3 * nVectorEnd, 0, pIn + 3 * nVectorEnd, 0, nWidth - nVectorEnd, 1, constants);
    }
}
#endif

} // namespace

void AdjustHlsRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                   int nSrcBpp, int nWidth, int nHeight, const CHlsParam& param)
{
    if (nWidth <= 0 || nHeight <= 0 || nDstBpp < 3 || nSrcBpp < 3)
        return;
    const CHlsConstants k = MakeConstants(param);
    if (nDstBpp == 3 && nSrcBpp == 3) {
#if KERNEL_X86_INTRINSICS
        // The vector kernel reads 16 pixels before it writes them: the same rows or
        // rows apart, as this function promises to handle.
        const bool bSameRows = pDst == pSrc && nDstStride == nSrcStride;
        const std::ptrdiff_t nRowBytes = std::ptrdiff_t{nWidth} * 3;
        if (KernelHasAvx2() &&
            (bSameRows || !RowsOverlap(pDst, nDstStride, nRowBytes, pSrc, nSrcStride, nRowBytes, nHeight))) {
            AdjustVectorAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, k);
            return;
        }
#endif
        if (KernelHasAvx2())
            AdjustPackedAvx2(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, k);
        else
            AdjustPackedBase(pDst, nDstStride, pSrc, nSrcStride, nWidth, nHeight, k);
        return;
    }
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x) {
            const BYTE* p = pIn + std::ptrdiff_t{x} * nSrcBpp;
            BYTE* q = pOut + std::ptrdiff_t{x} * nDstBpp;
            const CBgr out = AdjustPixel(p[2], p[1], p[0], k);
            q[0] = out.b;
            q[1] = out.g;
            q[2] = out.r;
        }
    }
}

int AdjustHls(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    if (pParam == nullptr)
        return 1;
    AdjustHlsRows(PixelAddress(pDst, nDstX, nDstY, nDstStride, nDstBpp), nDstStride, nDstBpp,
                  PixelAddress(pSrc, rcSrc.left, rcSrc.top, nSrcStride, nSrcBpp), nSrcStride,
                  nSrcBpp, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, *static_cast<const CHlsParam*>(pParam));
    return 1;
}
