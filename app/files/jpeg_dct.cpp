#include "app/files/jpeg_dct.h"

#include "app/files/jpeg_tables.h"
#include "app/files/simd_vectors.h"
#include "app/imaging/pixel_kernel.h"

#if KERNEL_X86_INTRINSICS
#include <immintrin.h>
#endif

#include <cmath>
#include <cstring>

// Why the fast transform gives the reference integers
// ---------------------------------------------------
// The fast path is the separable transform in single precision: rows T[y][v] = sum over
// x of f[y][x] * c'[v][x], then S[u][v] = sum over y of c'[u][y] * T[y][v], each a sum
// of eight rounded products, with c' the reference cosine table rounded to float; then
// the quotient S[u][v] * fl(s / q), s = 0.25 * C(u) * C(v) <= 0.25 and q >= 10 the
// table entry. Let A = sum |f| <= 64 * 256, e = 2^-24 and g(n) = n e / (1 - n e).
// - Against the exact real sum R over the reference table c: |c' - c| <= e, so a row
//   lies within (g(8) + e) sum_x |f| of its exact value, and S within
//   (2 g(8) + 2 e)(1 + 1e-6) A < 1.1e-6 A < 0.018 of R. The reference (double) sum,
//   64 terms of two products and one addition each, lies within 1.3e-10 of R.
// - The quotient's own roundings (s / q to double then to float, the product) add a
//   relative 1.2e-7 at most, that is at most 1.2e-7 * s * A / q < 0.0005 / q; the
//   reference value's rounding adds 4096 * 2^-53 / q.
// So the fast quotient lies within (0.25 * 0.018 + 0.0005) / q < 0.0051 / q of
// reference value / q. The bound 0.01 / q covers that and the rounding of
// quotient +- bound, at most 2^-24 * (4096 + 0.01) / q < 0.00025 / q.
// For a real number x and an integer q > 0, trunc(trunc(x) / q) = trunc(x / q). Hence
// when trunc(fast - bound) and trunc(fast + bound) agree, that integer is the reference
// quantised coefficient; when they differ (the value lies within the bound of a
// quantisation step, which natural pictures seldom produce: about one block in a
// hundred), the coefficient is computed by the reference sum itself.
// The DC coefficient needs no bound: with c = 1 for k = 0 both sums are the exact
// integer sum of the samples (below 2^24, so exact in float too), and its reference
// value is computed from that sum directly.

CDctTransform::CDctTransform()
{
    for (int k = 0; k < 8; ++k) {
        for (int n = 0; n < 8; ++n) {
            m_dCos[k][n] = std::cos((2 * n + 1) * k * 0.196349540625);
            m_fCos[k][n] = static_cast<float>(m_dCos[k][n]);
            m_fCosByColumn[n][k] = m_fCos[k][n];
            for (float& fLane : m_fCosSplat[k][n])
                fLane = m_fCos[k][n];
        }
    }
    const double dC0 = 1 / 1.41421356;
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            m_dScale[u][v] = 0.25 * (u == 0 ? dC0 : 1.0) * (v == 0 ? dC0 : 1.0);
            for (int t = 0; t < 2; ++t) {
                m_fQuantScale[t][u][v] = static_cast<float>(m_dScale[u][v] / g_QuantTables[t][u * 8 + v]);
                m_fBound[t][u][v] = static_cast<float>(FAST_ERROR_NUMERATOR / g_QuantTables[t][u * 8 + v]);
            }
        }
    }
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 64; ++k) {
            m_nQuant[t][k] = g_QuantTables[t][k];
            m_dQuant[t][k] = g_QuantTables[t][k];
        }
}

double CDctTransform::ReferenceValue(const float* pSamples, int nStride, int u, int v) const
{
    double dSum = 0;
    for (int y = 0; y < 8; ++y) {
        const float* pRow = pSamples + y * nStride;
        for (int x = 0; x < 8; ++x)
            dSum += static_cast<double>(pRow[x]) * m_dCos[u][y] * m_dCos[v][x];
    }
    return m_dScale[u][v] * dSum;
}

namespace {

// The fast path, eight frequencies to a vector. Writes the truncations of value - bound
// to pOut, the values to pValues, the mask of non-zero outputs to nNonZero and the sum
// S[0][0] to fDcSum; returns non-zero when, for some coefficient, the truncations of
// value - bound and value + bound differ.
KERNEL_BODY int FastQuantiseBody(const float* pSamples, int nStride, const float* pCosByColumn, const float* pCos,
                                 const float* pQuantScale, const float* pBound, float fWiden, std::int16_t* pOut,
                                 float* pValues, std::uint64_t& nNonZero, float& fDcSum)
{
    Vec8f cosByColumn[8];
    std::memcpy(cosByColumn, pCosByColumn, sizeof(cosByColumn));

    // Rows: T[y][v] = sum over x of f[y][x] * cos[v][x], lanes v.
    Vec8f rows[8];
    for (int y = 0; y < 8; ++y) {
        const float* pRow = pSamples + y * nStride;
        Vec8f sum = pRow[0] * cosByColumn[0];
        for (int x = 1; x < 8; ++x)
            sum += pRow[x] * cosByColumn[x];
        rows[y] = sum;
    }

    // Columns: S[u][v] = sum over y of cos[u][y] * T[y][v], then the quotient and the
    // two truncations around the bound.
    Vec8i unsure = {};
    nNonZero = 0;
    for (int u = 0; u < 8; ++u) {
        Vec8f sum = pCos[u * 8] * rows[0];
        for (int y = 1; y < 8; ++y)
            sum += pCos[u * 8 + y] * rows[y];
        if (u == 0)
            fDcSum = sum[0];
        Vec8f scale, bound;
        std::memcpy(&scale, pQuantScale + u * 8, sizeof(scale));
        std::memcpy(&bound, pBound + u * 8, sizeof(bound));
        bound += fWiden;
        const Vec8f value = sum * scale;
        const Vec8i low = __builtin_convertvector(value - bound, Vec8i);
        const Vec8i high = __builtin_convertvector(value + bound, Vec8i);
        Vec8i differ = low ^ high;
        if (u == 0)
            differ[0] = 0; // the DC coefficient is settled from the exact sum in any case
        unsure |= differ;
        const Vec8s coefficients = __builtin_convertvector(low, Vec8s);
        std::memcpy(pOut + u * 8, &coefficients, sizeof(coefficients));
        std::memcpy(pValues + u * 8, &value, sizeof(value));
        // Lanes become bytes 0xFF / 0x00, gathered into eight bits (lane v -> bit v).
        const Vec8b nonZeroBytes = __builtin_convertvector(coefficients != 0, Vec8b);
        std::uint64_t nBytes;
        std::memcpy(&nBytes, &nonZeroBytes, sizeof(nBytes));
        nNonZero |= (((nBytes & 0x0101010101010101u) * 0x0102040810204080u) >> 56) << (8 * u);
    }
    int nUnsure = 0;
    for (int v = 0; v < 8; ++v)
        nUnsure |= unsure[v];
    return nUnsure;
}

// The baseline build of the body.
int FastQuantiseBaseline(const float* pSamples, int nStride, const float* pCosByColumn, const float* pCos,
                         const float* pQuantScale, const float* pBound, float fWiden, std::int16_t* pOut,
                         float* pValues, std::uint64_t& nNonZero, float& fDcSum)
{
    return FastQuantiseBody(pSamples, nStride, pCosByColumn, pCos, pQuantScale, pBound, fWiden, pOut, pValues,
                            nNonZero, fDcSum);
}

#if KERNEL_X86_INTRINSICS
// The fast path in AVX2 intrinsics, folded (see CosineSums): each output is a sum of four
// products of c' with the sums or differences of mirrored inputs, accumulated by fused
// multiply-adds. A fused step rounds once where a product and a sum round twice, so a
// sum of four terms still lies within g(4) times the sum of their magnitudes. The block is
// transposed so that the row pass multiplies whole vectors by cosines splatted across the
// lanes (columns x, lanes y), transposed back, and the column pass does the same (rows y,
// lanes v). The non-zero mask comes from the packed coefficients.
// The error bound still holds. The reference table is not exactly symmetric: its angle
// 0.196349540625 lies d = 2.25e-10 below pi / 16, so cos[k][7 - n] differs from
// (-1)^k cos[k][n] by at most 16 k d <= 2.6e-8 < 0.45 e: the folded row uses coefficients
// within 1.45 e of the reference table. Row inputs are integers, so their sums and
// differences are exact, and a row lies within (g(4) + 1.45 e)(1 + e) sum_x |f| < 5.5 e
// sum_x |f| of its exact value; the column pass rounds its sums and differences of T
// (e), uses the same coefficients (1.45 e) and sums four products (g(4)): within 6.5 e
// sum_y |T| of the exact sum over the computed T. So S lies within 12.1 e A < 7.3e-7 A of
// R, inside the 1.1e-6 A of the separable form above, and the rest of the argument
// holds as it stands. For k = 0 every coefficient is 1 and every step exact: the DC sum
// is still the exact integer sum.
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void Transpose8(__m256 r[8])
{
    __m256 t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0x44);
        u[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0xEE);
        u[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0x44);
        u[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0xEE);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x31);
    }
}

// out[k] = sum over n of in[n] * cos[k][n], for the eight k, folded: the sums and
// differences of mirrored inputs, in[n] +- in[7 - n], multiply cos[k][n] for n < 4 (sums for
// even k, differences for odd k), as if cos[k][7 - n] were (-1)^k cos[k][n].
KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline void CosineSums(const __m256 in[8], const float* pCosSplat,
                                                                __m256 out[8])
{
    __m256 aFolded[2][4]; // [0]: sums, [1]: differences
    for (int n = 0; n < 4; ++n) {
        aFolded[0][n] = _mm256_add_ps(in[n], in[7 - n]);
        aFolded[1][n] = _mm256_sub_ps(in[n], in[7 - n]);
    }
    for (int k = 0; k < 8; ++k) {
        const float* pSplat = pCosSplat + k * 64;
        const __m256* pIn = aFolded[k & 1];
        __m256 sum = _mm256_mul_ps(pIn[0], _mm256_loadu_ps(pSplat));
        for (int n = 1; n < 4; ++n)
            sum = _mm256_fmadd_ps(pIn[n], _mm256_loadu_ps(pSplat + 8 * n), sum);
        out[k] = sum;
    }
}

KERNEL_TARGET_AVX2 [[gnu::always_inline]] inline int FastQuantiseAvx2(const float* pSamples, int nStride, const float* pCosSplat,
                                        const float* pQuantScale, const float* pBound, float fWiden,
                                        std::int16_t* pOut, float* pValues, std::uint64_t& nNonZero, float& fDcSum)
{
    __m256 rows[8], sums[8];
    for (int y = 0; y < 8; ++y)
        rows[y] = _mm256_loadu_ps(pSamples + y * nStride);
    Transpose8(rows);              // rows[x]: column x, lanes y
    CosineSums(rows, pCosSplat, sums); // sums[v]: T[y][v], lanes y
    Transpose8(sums);              // sums[y]: lanes v
    CosineSums(sums, pCosSplat, rows); // rows[u]: S[u][v], lanes v
    fDcSum = _mm256_cvtss_f32(rows[0]);

    const __m256 widen = _mm256_set1_ps(fWiden);
    const bool bWiden = fWiden != 0;
    __m256i unsure = _mm256_setzero_si256();
    __m256i aLow[8];
    for (int u = 0; u < 8; ++u) {
        const __m256 value = _mm256_mul_ps(rows[u], _mm256_loadu_ps(pQuantScale + 8 * u));
        __m256 bound = _mm256_loadu_ps(pBound + 8 * u);
        if (bWiden)
            bound = _mm256_add_ps(bound, widen);
        aLow[u] = _mm256_cvttps_epi32(_mm256_sub_ps(value, bound));
        const __m256i high = _mm256_cvttps_epi32(_mm256_add_ps(value, bound));
        __m256i differ = _mm256_xor_si256(aLow[u], high);
        if (u == 0) // the DC coefficient is settled from the exact sum in any case
            differ = _mm256_blend_epi32(differ, _mm256_setzero_si256(), 1);
        unsure = _mm256_or_si256(unsure, differ);
        if (pValues != nullptr)
            _mm256_storeu_ps(pValues + 8 * u, value);
    }
    // Coefficients as 16-bit numbers, two rows to a vector, in order.
    __m256i aPacked[4];
    for (int i = 0; i < 4; ++i) {
        aPacked[i] = _mm256_permute4x64_epi64(_mm256_packs_epi32(aLow[2 * i], aLow[2 * i + 1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut + 16 * i), aPacked[i]);
    }
    const __m256i zero = _mm256_setzero_si256();
    std::uint64_t nZero = 0;
    for (int i = 0; i < 2; ++i) {
        const __m256i bytes = _mm256_permute4x64_epi64(
            _mm256_packs_epi16(_mm256_cmpeq_epi16(aPacked[2 * i], zero), _mm256_cmpeq_epi16(aPacked[2 * i + 1], zero)),
            0xD8);
        nZero |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes))) << (32 * i);
    }
    nNonZero = ~nZero;
    return _mm256_testz_si256(unsure, unsure) ? 0 : 1;
}
#endif

// Sets or clears bit k of the mask for coefficient value n.
void MarkNonZero(std::uint64_t& nMask, int k, int n)
{
    const std::uint64_t nBit = std::uint64_t{1} << k;
    nMask = n != 0 ? nMask | nBit : nMask & ~nBit;
}

} // namespace

std::uint64_t CDctTransform::SettleNearSteps(const float* pSamples, int nStride, int nTable, std::int16_t* pOut,
                                             float fWiden, const float* pValues, std::uint64_t nNonZero) const
{
    for (int k = 1; k < 64; ++k) {
        const float fBound = m_fBound[nTable][k / 8][k % 8] + fWiden;
        const float fValue = pValues[k];
        if (static_cast<int>(fValue - fBound) == static_cast<int>(fValue + fBound))
            continue;
        const int nCoefficient = static_cast<int>(ReferenceValue(pSamples, nStride, k / 8, k % 8));
        pOut[k] = static_cast<std::int16_t>(nCoefficient / m_nQuant[nTable][k]);
        MarkNonZero(nNonZero, k, pOut[k]);
    }
    return nNonZero;
}

std::int16_t CDctTransform::QuantisedDc(float fDcSum, int nTable) const
{
    // DC from the exact integer sum, as the reference computes it. Its quotient by the
    // table entry q is taken in double precision, which truncates as the integer division
    // does: a quotient of integers below 2^11 and 2^8 is either whole, and exact, or at
    // least 1 / q from the next integer, far beyond its rounding.
    const int nDc = static_cast<int>(m_dScale[0][0] * fDcSum);
    return static_cast<std::int16_t>(static_cast<double>(nDc) / m_dQuant[nTable][0]);
}

#if KERNEL_X86_INTRINSICS
KERNEL_TARGET_AVX2 std::uint64_t CDctTransform::ForwardQuantiseAvx2(const float* pSamples, int nStride, int nTable,
                                                                    std::int16_t* pOut, float fWiden) const
{
    std::uint64_t nNonZero = 0;
    float fDcSum = 0;
    const int nUnsure = FastQuantiseAvx2(pSamples, nStride, &m_fCosSplat[0][0][0], &m_fQuantScale[nTable][0][0],
                                         &m_fBound[nTable][0][0], fWiden, pOut, nullptr, nNonZero, fDcSum);
    pOut[0] = QuantisedDc(fDcSum, nTable);
    MarkNonZero(nNonZero, 0, pOut[0]);
    if (nUnsure == 0)
        return nNonZero;
    // Rare: the transform again, keeping its values this time (the same ones), for the
    // coefficients that lie too close to a step for the fast value to decide them.
    float fValues[64];
    FastQuantiseAvx2(pSamples, nStride, &m_fCosSplat[0][0][0], &m_fQuantScale[nTable][0][0], &m_fBound[nTable][0][0],
                     fWiden, pOut, fValues, nNonZero, fDcSum);
    pOut[0] = QuantisedDc(fDcSum, nTable);
    MarkNonZero(nNonZero, 0, pOut[0]);
    return SettleNearSteps(pSamples, nStride, nTable, pOut, fWiden, fValues, nNonZero);
}
#endif

std::uint64_t CDctTransform::ForwardQuantise(const float* pSamples, int nStride, int nTable, std::int16_t* pOut,
                                             float fWiden) const
{
#if KERNEL_X86_INTRINSICS
    if (KernelHasAvx2())
        return ForwardQuantiseAvx2(pSamples, nStride, nTable, pOut, fWiden);
#endif
    float fValues[64];
    std::uint64_t nNonZero = 0;
    float fDcSum = 0;
    const int nUnsure = FastQuantiseBaseline(pSamples, nStride, &m_fCosByColumn[0][0], &m_fCos[0][0],
                                             &m_fQuantScale[nTable][0][0], &m_fBound[nTable][0][0], fWiden, pOut,
                                             fValues, nNonZero, fDcSum);
    pOut[0] = QuantisedDc(fDcSum, nTable);
    MarkNonZero(nNonZero, 0, pOut[0]);
    if (nUnsure == 0)
        return nNonZero;
    // Rare: a coefficient lies too close to a step for the fast value to decide it.
    return SettleNearSteps(pSamples, nStride, nTable, pOut, fWiden, fValues, nNonZero);
}
