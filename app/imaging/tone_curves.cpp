// Gamma and contrast tables and their application.
//
// Gamma: with h the exponent and L = log10(255), entry i is found in the logarithmic
// domain: m = L + h (log10(i) - L), the logarithm of 255 (i / 255)^h. The entry is 1 when
// m < 0 (so 0 maps to 1), else j - 1 for the smallest j in 3..255 with
// log10(j - 2) <= m <= log10(j), else 255. So 255 maps to 254.
//
// Contrast c: entries below c are 0, entries above 255 - c are 255, the others
// trunc(256.0 / ((128 - c) * 2) * (i - c)); for c >= 128 every entry is 0.
#include "app/imaging/tone_curves.h"

#include "app/imaging/pixel_routine.h"

#include "app/imaging/pixel_kernel.h"
#include "app/imaging/trunc_int.h"

#if KERNEL_X86_INTRINSICS
#include <immintrin.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Gamma exponent of a setting, kept to 0.001 .. 99.999.
double GammaExponent(int nGamma)
{
    double h = nGamma <= 100 ? nGamma * 0.01 : (nGamma - 100) * 0.1 + 1.0;
    if (h <= 0.001)
        h = 0.001;
    if (h >= 99.999)
        h = 99.999;
    return h;
}

// Maps a run of bytes through the table, eight at a time: one 64-bit load and store
// around eight table reads halve the memory operations of a byte-wise loop.
void MapRun(const BYTE* pTable, BYTE* pOut, const BYTE* pIn, int nBytes)
{
    int i = 0;
    for (; i + 8 <= nBytes; i += 8) {
        std::uint64_t nIn;
        std::memcpy(&nIn, pIn + i, 8);
        std::uint64_t nOut = 0;
        for (int nShift = 0; nShift < 64; nShift += 8)
            nOut |= static_cast<std::uint64_t>(pTable[(nIn >> nShift) & 0xFF]) << nShift;
        std::memcpy(pOut + i, &nOut, 8);
    }
    for (; i < nBytes; ++i)
        pOut[i] = pTable[pIn[i]];
}

#if KERNEL_X86_INTRINSICS
// The table as sixteen byte shuffles of sixteen entries each: the low four bits of a
// byte pick an entry in every one of them, and its high four bits choose among the
// sixteen results, bit 4 first, in a tree of blends (a blend looks at bit 7 of each
// byte, so bit b is shifted up to it).
KERNEL_TARGET_AVX2 void MapRunAvx2(const BYTE* pTable, BYTE* pOut, const BYTE* pIn, int nBytes)
{
    __m256i aPart[16];
    for (int k = 0; k < 16; ++k)
        aPart[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pTable + 16 * k)));
    const __m256i nLowBits = _mm256_set1_epi8(0x0F);
    int i = 0;
    for (; i + 32 <= nBytes; i += 32) {
        const __m256i nIn = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pIn + i));
        const __m256i nLow = _mm256_and_si256(nIn, nLowBits);
        __m256i aLevel[16];
        for (int k = 0; k < 16; ++k)
            aLevel[k] = _mm256_shuffle_epi8(aPart[k], nLow);
        for (int nBit = 4, nCount = 8; nBit < 8; ++nBit, nCount /= 2) {
            const __m256i nSelect = _mm256_slli_epi16(nIn, 7 - nBit);
            for (int k = 0; k < nCount; ++k)
                aLevel[k] = _mm256_blendv_epi8(aLevel[2 * k], aLevel[2 * k + 1], nSelect);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut + i), aLevel[0]);
    }
    MapRun(pTable, pOut + i, pIn + i, nBytes - i);
}

// The table as four 64-byte vectors: a two-source byte permute looks up the low seven
// bits of each byte in either half of the table, and bit 7 picks the half.
KERNEL_TARGET_AVX512_VBMI [[gnu::always_inline]] inline __m512i MapVector(const __m512i aQuarter[4], __m512i nIn)
{
    const __m512i nLow = _mm512_permutex2var_epi8(aQuarter[0], nIn, aQuarter[1]);
    const __m512i nHigh = _mm512_permutex2var_epi8(aQuarter[2], nIn, aQuarter[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(nIn), nLow, nHigh);
}

// 64 bytes at a time; the last bytes of the run go through masked loads and stores.
KERNEL_TARGET_AVX512_VBMI void MapRunAvx512(const BYTE* pTable, BYTE* pOut, const BYTE* pIn, int nBytes)
{
    __m512i aQuarter[4];
    for (int k = 0; k < 4; ++k)
        aQuarter[k] = _mm512_loadu_si512(pTable + 64 * k);
    int i = 0;
    for (; i + 64 <= nBytes; i += 64)
        _mm512_storeu_si512(pOut + i, MapVector(aQuarter, _mm512_loadu_si512(pIn + i)));
    if (i < nBytes) {
        const __mmask64 nRest = (std::uint64_t{1} << (nBytes - i)) - 1;
        _mm512_mask_storeu_epi8(pOut + i, nRest, MapVector(aQuarter, _mm512_maskz_loadu_epi8(nRest, pIn + i)));
    }
}
#endif

int RunToneRoutine(const BYTE aTable[256], BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY,
                   int nDstBpp, int nSrcBpp, int nDstStride, int nSrcStride, int nChannels)
{
    ApplyToneTable(aTable, PixelAddress(pDst, nDstX, nDstY, nDstStride, nDstBpp), nDstStride,
                   nDstBpp, PixelAddress(pSrc, rcSrc.left, rcSrc.top, nSrcStride, nSrcBpp),
                   nSrcStride, nSrcBpp, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, nChannels);
    return 1;
}

int SettingOf(const void* pParam, int nDefault)
{
    return pParam != nullptr ? *static_cast<const int*>(pParam) : nDefault;
}

} // namespace

void BuildGammaTable(int nGamma, BYTE aTable[256])
{
    const double h = GammaExponent(nGamma);
    const double dLog255 = std::log10(255.0);
    double aLog[256];
    for (int j = 0; j < 256; ++j)
        aLog[j] = std::log10(static_cast<double>(j));

    // m grows with i, so the smallest fitting j never decreases: the search for entry i
    // starts where the one for entry i - 1 ended.
    int j = 3;
    for (int i = 0; i < 256; ++i) {
        const double m = dLog255 + h * (aLog[i] - dLog255);
        if (m < 0) {
            aTable[i] = 1;
            continue;
        }
        while (j <= 255 && !(aLog[j - 2] <= m && m <= aLog[j]))
            ++j;
        aTable[i] = j <= 255 ? static_cast<BYTE>(j - 1) : 255;
    }
}

void BuildContrastTable(int nContrast, BYTE aTable[256])
{
    const long long c = nContrast;
    if (c >= 128) {
        for (int i = 0; i < 256; ++i)
            aTable[i] = 0;
        return;
    }
    const double dSlope = 256.0 / static_cast<double>((128 - c) * 2);
    for (int i = 0; i < 256; ++i) {
        if (i < c)
            aTable[i] = 0;
        else if (i > 255 - c)
            aTable[i] = 255;
        else
            aTable[i] = static_cast<BYTE>(TruncToInt(dSlope * static_cast<double>(i - c)));
    }
}

void ApplyToneTable(const BYTE aTable[256], BYTE* pDst, std::ptrdiff_t nDstStride, int nDstBpp, const BYTE* pSrc,
                    std::ptrdiff_t nSrcStride, int nSrcBpp, int nWidth, int nHeight, int nChannels)
{
    if (nWidth <= 0 || nHeight <= 0 || nDstBpp < nChannels || nSrcBpp < nChannels)
        return;
    // A local copy: stores into picture bytes cannot be assumed to leave it alone.
    BYTE aLocal[256];
    for (int i = 0; i < 256; ++i)
        aLocal[i] = aTable[i];
    if (nDstBpp == nChannels && nSrcBpp == nChannels) {
        const int nRowBytes = nWidth * nChannels;
#if KERNEL_X86_INTRINSICS
        // The vector form reads 32 bytes before it writes them: same rows or rows apart.
        if (KernelHasAvx2() && ((pDst == pSrc && nDstStride == nSrcStride) ||
                                !RowsOverlap(pDst, nDstStride, nRowBytes, pSrc, nSrcStride, nRowBytes, nHeight))) {
            const bool bAvx512 = KernelHasAvx512Vbmi();
            for (int y = 0; y < nHeight; ++y) {
                if (bAvx512)
                    MapRunAvx512(aLocal, pDst + y * nDstStride, pSrc + y * nSrcStride, nRowBytes);
                else
                    MapRunAvx2(aLocal, pDst + y * nDstStride, pSrc + y * nSrcStride, nRowBytes);
            }
            return;
        }
#endif
        for (int y = 0; y < nHeight; ++y)
            MapRun(aLocal, pDst + y * nDstStride, pSrc + y * nSrcStride, nRowBytes);
        return;
    }
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pIn = pSrc + y * nSrcStride;
        BYTE* pOut = pDst + y * nDstStride;
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < nChannels; ++c)
                pOut[std::ptrdiff_t{x} * nDstBpp + c] = aLocal[pIn[std::ptrdiff_t{x} * nSrcBpp + c]];
    }
}

int Gamma8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
           int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    BYTE aTable[256];
    BuildGammaTable(SettingOf(pParam, 100), aTable);
    return RunToneRoutine(aTable, pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, 1);
}

int Gamma24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
            int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    BYTE aTable[256];
    BuildGammaTable(SettingOf(pParam, 100), aTable);
    return RunToneRoutine(aTable, pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, 3);
}

int Contrast8(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
              int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    BYTE aTable[256];
    BuildContrastTable(SettingOf(pParam, 0), aTable);
    return RunToneRoutine(aTable, pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, 1);
}

int Contrast24(BYTE* pDst, const BYTE* pSrc, const RECT& rcSrc, int nDstX, int nDstY, int nDstBpp, int nSrcBpp,
               int nDstStride, int nSrcStride, void* pParam, int /*nExtra*/)
{
    BYTE aTable[256];
    BuildContrastTable(SettingOf(pParam, 0), aTable);
    return RunToneRoutine(aTable, pDst, pSrc, rcSrc, nDstX, nDstY, nDstBpp, nSrcBpp, nDstStride, nSrcStride, 3);
}
