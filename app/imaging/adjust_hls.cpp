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

} // namespace

void AdjustHlsRows(BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc, std::ptrdiff_t nSrcStride,
                   int nSrcBpp, int nWidth, int nHeight, const CHlsParam& param)
{
    if (nWidth <= 0 || nHeight <= 0 || nDstBpp < 3 || nSrcBpp < 3)
        return;
    const CHlsConstants k = MakeConstants(param);
    if (nDstBpp == 3 && nSrcBpp == 3) {
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
