#include "app/files/jpeg_colour.h"

#include "app/imaging/pixel_kernel.h"

#include <algorithm>

// Plain loops over contiguous planes, which the compiler vectorises; each lane computes
// exactly the scalar expression of LuminanceOf, ChromaBlueOf or ChromaRedOf (the build
// forbids contracting them into fused multiply-adds). Each body is built for AVX2 and for
// the baseline instruction set, and the wrappers below choose.

namespace {

KERNEL_BODY void SplitRowBody(const BYTE* pBgr, int nWidth, int nOutCount, double* pBlue, double* pGreen,
                              double* pRed)
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

KERNEL_BODY void ConvertLuminanceBody(const double* pBlue, const double* pGreen, const double* pRed, int nCount,
                                      float* pLuma)
{
    for (int x = 0; x < nCount; ++x)
        pLuma[x] = static_cast<float>(static_cast<int>(0.587 * pGreen[x] + 0.299 * pRed[x] + 0.114 * pBlue[x] - 128));
}

KERNEL_BODY void PickChrominanceBody(const double* pBlue, const double* pGreen, const double* pRed, int nCount,
                                     float* pCb, float* pCr)
{
    for (int c = 0; c < nCount; ++c) {
        const double dBlue = pBlue[2 * c], dGreen = pGreen[2 * c], dRed = pRed[2 * c];
        pCb[c] = static_cast<float>(static_cast<int>(0.5 * dBlue - (0.1687 * dRed + 0.3313 * dGreen)));
        pCr[c] = static_cast<float>(static_cast<int>(0.5 * dRed - 0.4187 * dGreen - 0.0813 * dBlue));
    }
}

KERNEL_TARGET_AVX2 void SplitRowAvx2(const BYTE* pBgr, int nWidth, int nOutCount, double* pBlue, double* pGreen,
                                     double* pRed)
{
    SplitRowBody(pBgr, nWidth, nOutCount, pBlue, pGreen, pRed);
}

KERNEL_TARGET_AVX2 void ConvertLuminanceAvx2(const double* pBlue, const double* pGreen, const double* pRed,
                                             int nCount, float* pLuma)
{
    ConvertLuminanceBody(pBlue, pGreen, pRed, nCount, pLuma);
}

KERNEL_TARGET_AVX2 void PickChrominanceAvx2(const double* pBlue, const double* pGreen, const double* pRed,
                                            int nCount, float* pCb, float* pCr)
{
    PickChrominanceBody(pBlue, pGreen, pRed, nCount, pCb, pCr);
}

} // namespace

void SplitRow(const BYTE* pBgr, int nWidth, int nOutCount, double* pBlue, double* pGreen, double* pRed)
{
    if (KernelHasAvx2())
        SplitRowAvx2(pBgr, nWidth, nOutCount, pBlue, pGreen, pRed);
    else
        SplitRowBody(pBgr, nWidth, nOutCount, pBlue, pGreen, pRed);
}

void ConvertLuminance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pLuma)
{
    if (KernelHasAvx2())
        ConvertLuminanceAvx2(pBlue, pGreen, pRed, nCount, pLuma);
    else
        ConvertLuminanceBody(pBlue, pGreen, pRed, nCount, pLuma);
}

void PickChrominance(const double* pBlue, const double* pGreen, const double* pRed, int nCount, float* pCb,
                     float* pCr)
{
    if (KernelHasAvx2())
        PickChrominanceAvx2(pBlue, pGreen, pRed, nCount, pCb, pCr);
    else
        PickChrominanceBody(pBlue, pGreen, pRed, nCount, pCb, pCr);
}
