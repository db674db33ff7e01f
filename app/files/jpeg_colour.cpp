#include "app/files/jpeg_colour.h"

#include "app/imaging/bgr_avx2.h"
#include "app/imaging/pixel_kernel.h"

#include <algorithm>

// Every form computes exactly the scalar expression of LuminanceOf, ChromaBlueOf or
// ChromaRedOf (the build forbids contracting them into fused multiply-adds).

namespace {

// The baseline build goes through planes of doubles, which its vectoriser handles better
// than the picture's interleaved bytes: the row split into blue, green and red planes of
// nOutCount values (places beyond the row repeat its last pixel), then the conversions
// on contiguous values.
void SplitRowBody(const BYTE* pBgr, int nWidth, int nOutCount, double* pBlue, double* pGreen, double* pRed)
{
    const int nInside = std::min(nWidth, nOutCount);
    for (int x = 0; x < nInside; ++x) {
        pBlue[x] = pBgr[3 * x];
        pGreen[x] = pBgr[3 * x + 1];
        pRed[x] = pBgr[3 * x + 2];
    }
    if (nInside > 0 && nInside < nOutCount) {
        std::fill(pBlue + nInside, pBlue + nOutCount, pBlue[nInside - 1]);
        std::fill(pGreen + nInside, pGreen + nOutCount, pGreen[nInside - 1]);
        std::fill(pRed + nInside, pRed + nOutCount, pRed[nInside - 1]);
    }
}

void ConvertPlanesLuminance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pLuma)
{
    for (int x = 0; x < nCount; ++x)
        pLuma[x] = static_cast<float>(static_cast<int>(0.587 * pGreen[x] + 0.299 * pRed[x] + 0.114 * pBlue[x] - 128));
}

// Sample c from pixel 2c of the planes, which hold 2 * nCount pixels.
void PickPlanesChrominance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pCb,
                           float* pCr)
{
    for (int c = 0; c < nCount; ++c) {
        const double dBlue = pBlue[2 * c], dGreen = pGreen[2 * c], dRed = pRed[2 * c];
        pCb[c] = static_cast<float>(static_cast<int>(0.5 * dBlue - (0.1687 * dRed + 0.3313 * dGreen)));
        pCr[c] = static_cast<float>(static_cast<int>(0.5 * dRed - 0.4187 * dGreen - 0.0813 * dBlue));
    }
}

// From the bytes, for the few pixels the AVX2 kernels leave to plain code.
KERNEL_BODY void ConvertLuminanceBody(const BYTE* pBgr, int nWidth, int nOutCount, float* pLuma)
{
    const int nInside = std::min(nWidth, nOutCount);
    for (int x = 0; x < nInside; ++x) {
        const double dBlue = pBgr[3 * x], dGreen = pBgr[3 * x + 1], dRed = pBgr[3 * x + 2];
        pLuma[x] = static_cast<float>(static_cast<int>(0.587 * dGreen + 0.299 * dRed + 0.114 * dBlue - 128));
    }
    if (nInside > 0)
        std::fill(pLuma + nInside, pLuma + nOutCount, pLuma[nInside - 1]);
}

// Samples nFirst .. nCount - 1.
KERNEL_BODY void PickChrominanceBody(const BYTE* pBgr, int nWidth, int nCount, float* pCb, float* pCr, int nFirst = 0)
{
    // Samples whose pixel lies inside the row, then the last pixel's repeated.
    const int nInside = std::max(nFirst, std::min(nCount, (nWidth + 1) / 2));
    for (int c = nFirst; c < nInside; ++c) {
        const double dBlue = pBgr[6 * c], dGreen = pBgr[6 * c + 1], dRed = pBgr[6 * c + 2];
        pCb[c] = static_cast<float>(static_cast<int>(0.5 * dBlue - (0.1687 * dRed + 0.3313 * dGreen)));
        pCr[c] = static_cast<float>(static_cast<int>(0.5 * dRed - 0.4187 * dGreen - 0.0813 * dBlue));
    }
    if (nInside < nCount && nWidth > 0) {
        const BYTE* pLast = pBgr + 3 * (nWidth - 1);
        const int r = pLast[2], g = pLast[1], b = pLast[0];
        std::fill(pCb + nInside, pCb + nCount, static_cast<float>(ChromaBlueOf(r, g, b)));
        std::fill(pCr + nInside, pCr + nCount, static_cast<float>(ChromaRedOf(r, g, b)));
    }
}

#if KERNEL_X86_INTRINSICS
// The AVX2 forms: exact integers first, the double expression only where they cannot
// decide. Each conversion is a weighted sum with weights of three decimals (luminance,
// N = 587 G + 299 R + 114 B - 128000, value N / 1000) or four (chrominance, N = 5000 B -
// 1687 R - 3313 G and 5000 R - 4187 G - 813 B, value N / 10000). The double expression
// computes that value within 1e-12 (a few roundings of numbers below 256), so its
// truncation is that of N / K, unless N / K is an integer, where the double result may
// fall on either side. The fast value is N in single precision times 1 / K in single
// precision, within 128 * 2^-23 < 2e-5 of N / K: truncated, it is right wherever N / K is
// not an integer, since such a quotient lies at least 1 / K >= 1e-4 from the integers;
// and a fast value within 5e-5 of an integer marks exactly the integer quotients, whose
// group of pixels then takes the double expression.
struct CFastValue {
    __m256 fValue;  // truncated, as floats
    __m256 fExact; // all ones in lanes that need the double expression
};

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline CFastValue FastQuotient(__m256i nN, float fInverse)
{
    const __m256 fQuotient = _mm256_mul_ps(_mm256_cvtepi32_ps(nN), _mm256_set1_ps(fInverse));
    const __m256 fDistance = _mm256_andnot_ps(
        _mm256_set1_ps(-0.0f), _mm256_sub_ps(fQuotient, _mm256_round_ps(fQuotient, _MM_FROUND_TO_NEAREST_INT |
                                                                                      _MM_FROUND_NO_EXC)));
    return {_mm256_round_ps(fQuotient, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC),
            _mm256_cmp_ps(fDistance, _mm256_set1_ps(5e-5f), _CMP_LT_OQ)};
}

// Pairs of 16-bit lanes (x, y) of the low or high four pixels of each 128-bit half.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i PairsLow(__m256i x, __m256i y)
{
    return _mm256_unpacklo_epi16(x, y);
}
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i PairsHigh(__m256i x, __m256i y)
{
    return _mm256_unpackhi_epi16(x, y);
}
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline __m256i Weights(int nFirst, int nSecond)
{
    return _mm256_set1_epi32(static_cast<int>((static_cast<unsigned>(nSecond) << 16) | (nFirst & 0xFFFF)));
}

// Luminance of the 16 pixels into pLuma; false, with nothing stored, when one of them
// needs the double expression.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline bool StoreLuminance16(const CBgr16& px, float* pLuma)
{
    const __m256i nThousand = _mm256_set1_epi16(1000);
    // Lanes of the low and high four pixels of each half: pixels 0-3, 8-11 and 4-7, 12-15.
    const __m256i nLow = _mm256_add_epi32(_mm256_madd_epi16(PairsLow(px.g, px.r), Weights(587, 299)),
                                          _mm256_madd_epi16(PairsLow(px.b, nThousand), Weights(114, -128)));
    const __m256i nHigh = _mm256_add_epi32(_mm256_madd_epi16(PairsHigh(px.g, px.r), Weights(587, 299)),
                                           _mm256_madd_epi16(PairsHigh(px.b, nThousand), Weights(114, -128)));
    const CFastValue low = FastQuotient(nLow, 0.001f);
    const CFastValue high = FastQuotient(nHigh, 0.001f);
    if (_mm256_movemask_ps(_mm256_or_ps(low.fExact, high.fExact)) != 0)
        return false;
    _mm256_storeu_ps(pLuma, _mm256_permute2f128_ps(low.fValue, high.fValue, 0x20));
    _mm256_storeu_ps(pLuma + 8, _mm256_permute2f128_ps(low.fValue, high.fValue, 0x31));
    return true;
}

// Chrominance of the eight even pixels of the 16 into pCb and pCr; false, with nothing
// stored, when one of them needs the double expression.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline bool StoreChrominance8(const CBgr16& px, float* pCb, float* pCr)
{
    const __m256i nZero = _mm256_setzero_si256();
    const __m256i nBrLow = PairsLow(px.b, px.r), nBrHigh = PairsHigh(px.b, px.r);
    const __m256i nGLow = PairsLow(px.g, nZero), nGHigh = PairsHigh(px.g, nZero);
    const __m256i nCbLow = _mm256_add_epi32(_mm256_madd_epi16(nBrLow, Weights(5000, -1687)),
                                            _mm256_madd_epi16(nGLow, Weights(-3313, 0)));
    const __m256i nCbHigh = _mm256_add_epi32(_mm256_madd_epi16(nBrHigh, Weights(5000, -1687)),
                                             _mm256_madd_epi16(nGHigh, Weights(-3313, 0)));
    const __m256i nCrLow = _mm256_add_epi32(_mm256_madd_epi16(nBrLow, Weights(-813, 5000)),
                                            _mm256_madd_epi16(nGLow, Weights(-4187, 0)));
    const __m256i nCrHigh = _mm256_add_epi32(_mm256_madd_epi16(nBrHigh, Weights(-813, 5000)),
                                             _mm256_madd_epi16(nGHigh, Weights(-4187, 0)));
    // The even pixels in order: 0, 2 of the low lanes, 0, 2 of the high ones, per half.
    const __m256i nCb = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castsi256_ps(nCbLow), _mm256_castsi256_ps(nCbHigh), _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i nCr = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castsi256_ps(nCrLow), _mm256_castsi256_ps(nCrHigh), _MM_SHUFFLE(2, 0, 2, 0)));
    const CFastValue cb = FastQuotient(nCb, 0.0001f);
    const CFastValue cr = FastQuotient(nCr, 0.0001f);
    if (_mm256_movemask_ps(_mm256_or_ps(cb.fExact, cr.fExact)) != 0)
        return false;
    _mm256_storeu_ps(pCb, cb.fValue);
    _mm256_storeu_ps(pCr, cr.fValue);
    return true;
}

// Sixteen pixels to a step, each read once for the luminance and, when pCb is not null,
// the chrominance of its even pixels.
KERNEL_TARGET_AVX2 void ConvertRowAvx2(const BYTE* pBgr, int nWidth, int nOutCount, float* pLuma, float* pCb,
                                       float* pCr)
{
    const int nInside = std::min(nWidth, nOutCount);
    const int nVectorEnd = nInside - nInside % 16;
    for (int x = 0; x < nVectorEnd; x += 16) {
        const CBgr16 px = LoadBgr16(pBgr + 3 * x);
        if (!StoreLuminance16(px, pLuma + x))
            ConvertLuminanceBody(pBgr + 3 * x, 16, 16, pLuma + x);
        if (pCb != nullptr && !StoreChrominance8(px, pCb + x / 2, pCr + x / 2))
            PickChrominanceBody(pBgr, nWidth, x / 2 + 8, pCb, pCr, x / 2);
    }
    ConvertLuminanceBody(pBgr + 3 * nVectorEnd, nInside - nVectorEnd, nInside - nVectorEnd, pLuma + nVectorEnd);
    if (nInside > 0)
        std::fill(pLuma + nInside, pLuma + nOutCount, pLuma[nInside - 1]);
    // The rest through the plain body, which also repeats the row's last pixel.
    if (pCb != nullptr)
        PickChrominanceBody(pBgr, nWidth, nOutCount / 2, pCb, pCr, nVectorEnd / 2);
}
#else
void ConvertRowAvx2(const BYTE* pBgr, int nWidth, int nOutCount, float* pLuma, float* pCb, float* pCr)
{
    ConvertLuminanceBody(pBgr, nWidth, nOutCount, pLuma);
    if (pCb != nullptr)
        PickChrominanceBody(pBgr, nWidth, nOutCount / 2, pCb, pCr);
}
#endif

} // namespace

void ConvertPictureRow(const BYTE* pBgr, int nWidth, int nOutCount, double* pPlanes, float* pLuma, float* pCb,
                       float* pCr)
{
    if (KernelHasAvx2()) {
        ConvertRowAvx2(pBgr, nWidth, nOutCount, pLuma, pCb, pCr);
        return;
    }
    double* pBlue = pPlanes;
    double* pGreen = pBlue + nOutCount;
    double* pRed = pGreen + nOutCount;
    SplitRowBody(pBgr, nWidth, nOutCount, pBlue, pGreen, pRed);
    ConvertPlanesLuminance(pBlue, pGreen, pRed, nOutCount, pLuma);
    if (pCb != nullptr)
        PickPlanesChrominance(pBlue, pGreen, pRed, nOutCount / 2, pCb, pCr);
}
