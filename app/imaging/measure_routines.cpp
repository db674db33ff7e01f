// Measuring routines. Sums and counts are 32-bit unsigned as the routines define them.
#include "app/imaging/measure_routines.h"

#include "app/imaging/trunc_int.h"

#include <cstddef>

namespace {

// Unsigned sum of the first bytes of a run of pixels.
DWORD SumRun(const BYTE* p, int nCount, int nBpp)
{
    DWORD dwSum = 0;
    if (nBpp == 1) {
        for (int x = 0; x < nCount; ++x)
            dwSum += p[x];
    } else {
        for (int x = 0; x < nCount; ++x)
            dwSum += p[std::ptrdiff_t{x} * nBpp];
    }
    return dwSum;
}

// Sums of the samples at even and at odd offsets of a run.
void SumRunByParity(const BYTE* p, int nCount, int nBpp, DWORD& dwEven, DWORD& dwOdd)
{
    DWORD dwE = 0;
    DWORD dwO = 0;
    const int nPairs = nCount / 2;
    if (nBpp == 1) {
        for (int i = 0; i < nPairs; ++i) {
            dwE += p[2 * i];
            dwO += p[2 * i + 1];
        }
    } else {
        for (int i = 0; i < nPairs; ++i) {
            dwE += p[std::ptrdiff_t{2 * i} * nBpp];
            dwO += p[std::ptrdiff_t{2 * i + 1} * nBpp];
        }
    }
    if (nCount % 2 != 0)
        dwE += p[std::ptrdiff_t{nCount - 1} * nBpp];
    dwEven += dwE;
    dwOdd += dwO;
}

// Number of zero first bytes in a run of pixels.
int CountZeroRun(const BYTE* p, int nCount, int nBpp)
{
    int nZeros = 0;
    if (nBpp == 1) {
        for (int x = 0; x < nCount; ++x)
            nZeros += p[x] == 0 ? 1 : 0;
    } else {
        for (int x = 0; x < nCount; ++x)
            nZeros += p[std::ptrdiff_t{x} * nBpp] == 0 ? 1 : 0;
    }
    return nZeros;
}

} // namespace

int MeasureWhiteBalance(BYTE* /*pDst*/, const BYTE* pSrc, const RECT& rcSrc, int /*nDstX*/, int /*nDstY*/,
                        int /*nDstBpp*/, int nSrcBpp, int /*nDstStride*/, int nSrcStride, void* pParam,
                        int /*nExtra*/)
{
    if (pParam == nullptr)
        return 1;
    auto& param = *static_cast<CWhiteBalanceParam*>(pParam);
    const int nRowFlag0 = param.nMode == 1 || param.nMode == 3 ? 1 : 0;
    const int nColFlag0 = param.nMode == 2 || param.nMode == 3 ? 1 : 0;

    // aSum[row flag][column flag], aCount likewise.
    DWORD aSum[2][2] = {};
    DWORD aCount[2][2] = {};
    const int nWidth = rcSrc.right - rcSrc.left;
    const int nHeight = rcSrc.bottom - rcSrc.top;
    if (nWidth > 0 && nHeight > 0) {
        const DWORD dwEvenCount = static_cast<DWORD>((nWidth + 1) / 2);
        const DWORD dwOddCount = static_cast<DWORD>(nWidth / 2);
        int nRowFlag = nRowFlag0;
        for (int y = 0; y < nHeight; ++y, nRowFlag ^= 1) {
            const BYTE* pRow = pSrc + std::ptrdiff_t{rcSrc.top + y} * nSrcStride + std::ptrdiff_t{rcSrc.left} * nSrcBpp;
            // Pixels at even offsets have the starting column flag, odd ones the other.
            SumRunByParity(pRow, nWidth, nSrcBpp, aSum[nRowFlag][nColFlag0], aSum[nRowFlag][nColFlag0 ^ 1]);
            aCount[nRowFlag][nColFlag0] += dwEvenCount;
            aCount[nRowFlag][nColFlag0 ^ 1] += dwOddCount;
        }
    }
    const double dGreen =
        static_cast<double>(aSum[0][0] + aSum[1][1]) / static_cast<double>(aCount[0][0] + aCount[1][1]);
    const double dBlue = static_cast<double>(aSum[0][1]) / static_cast<double>(aCount[0][1]);
    const double dRed = static_cast<double>(aSum[1][0]) / static_cast<double>(aCount[1][0]);

    const double t = dBlue + dRed + dGreen;
    const double q = 0.3333333333333333;
    const double k = 1 / ((t / dGreen) * q);
    param.nOut0 = TruncToInt(k * ((t / dBlue) * q) * 100);
    param.nOut1 = 100;
    param.nOut2 = TruncToInt(k * ((t / dRed) * q) * 100);
    return 1;
}

int ZoneMean(BYTE* /*pDst*/, const BYTE* pSrc, const RECT& rcSrc, int /*nDstX*/, int /*nDstY*/, int /*nDstBpp*/,
             int nSrcBpp, int /*nDstStride*/, int nSrcStride, void* /*pParam*/, int /*nExtra*/)
{
    const int nWidth = rcSrc.right - rcSrc.left;
    const int nHeight = rcSrc.bottom - rcSrc.top;
    if (nWidth <= 0 || nHeight <= 0)
        return 0;
    DWORD dwSum = 0;
    for (int y = rcSrc.top; y < rcSrc.bottom; ++y)
        dwSum += SumRun(pSrc + std::ptrdiff_t{y} * nSrcStride + std::ptrdiff_t{rcSrc.left} * nSrcBpp, nWidth, nSrcBpp);
    const DWORD dwCount = static_cast<DWORD>(nWidth) * static_cast<DWORD>(nHeight);
    return static_cast<int>(dwSum / dwCount);
}

int CountZero(BYTE* pDst, const BYTE* /*pSrc*/, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp,
              int /*nSrcBpp*/, int nDstStride, int /*nSrcStride*/, void* /*pParam*/, int /*nExtra*/)
{
    const int nWidth = rcSrc.right - rcSrc.left;
    const int nHeight = rcSrc.bottom - rcSrc.top;
    int nCount = 0;
    for (int y = 0; y < nHeight; ++y)
        nCount += CountZeroRun(pDst + std::ptrdiff_t{nDstY + y} * nDstStride + std::ptrdiff_t{nDstX} * nDstBpp, nWidth,
                               nDstBpp);
    return nCount;
}
