#include "app/files/jpeg_dct.h"

#include "app/files/jpeg_tables.h"
#include "app/files/simd_vectors.h"
#include "app/imaging/pixel_kernel.h"

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
        for (int k = 0; k < 64; ++k)
            m_nQuant[t][k] = g_QuantTables[t][k];
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

// The same body built for AVX2 and for the baseline instruction set.
KERNEL_TARGET_AVX2 int FastQuantiseAvx2(const float* pSamples, int nStride, const float* pCosByColumn,
                                        const float* pCos, const float* pQuantScale, const float* pBound,
                                        float fWiden, std::int16_t* pOut, float* pValues, std::uint64_t& nNonZero,
                                        float& fDcSum)
{
    return FastQuantiseBody(pSamples, nStride, pCosByColumn, pCos, pQuantScale, pBound, fWiden, pOut, pValues,
                            nNonZero, fDcSum);
}

int FastQuantiseBaseline(const float* pSamples, int nStride, const float* pCosByColumn, const float* pCos,
                         const float* pQuantScale, const float* pBound, float fWiden, std::int16_t* pOut,
                         float* pValues, std::uint64_t& nNonZero, float& fDcSum)
{
    return FastQuantiseBody(pSamples, nStride, pCosByColumn, pCos, pQuantScale, pBound, fWiden, pOut, pValues,
                            nNonZero, fDcSum);
}

// Sets or clears bit k of the mask for coefficient value n.
void MarkNonZero(std::uint64_t& nMask, int k, int n)
{
    const std::uint64_t nBit = std::uint64_t{1} << k;
    nMask = n != 0 ? nMask | nBit : nMask & ~nBit;
}

} // namespace

std::uint64_t CDctTransform::ForwardQuantise(const float* pSamples, int nStride, int nTable, std::int16_t* pOut,
                                             float fWiden) const
{
    float fValues[8][8];
    std::uint64_t nNonZero = 0;
    float fDcSum = 0;
    const auto fast = KernelHasAvx2() ? FastQuantiseAvx2 : FastQuantiseBaseline;
    const int nUnsure = fast(pSamples, nStride, &m_fCosByColumn[0][0], &m_fCos[0][0], &m_fQuantScale[nTable][0][0],
                             &m_fBound[nTable][0][0], fWiden, pOut, &fValues[0][0], nNonZero, fDcSum);

    // DC from the exact integer sum, as the reference computes it.
    pOut[0] = static_cast<std::int16_t>(static_cast<int>(m_dScale[0][0] * fDcSum) / m_nQuant[nTable][0]);
    MarkNonZero(nNonZero, 0, pOut[0]);
    if (nUnsure == 0)
        return nNonZero;

    // Rare: a coefficient lies too close to a step for the fast value to decide it.
    for (int k = 1; k < 64; ++k) {
        const float fBound = m_fBound[nTable][k / 8][k % 8] + fWiden;
        const float fValue = fValues[k / 8][k % 8];
        if (static_cast<int>(fValue - fBound) == static_cast<int>(fValue + fBound))
            continue;
        const int nCoefficient = static_cast<int>(ReferenceValue(pSamples, nStride, k / 8, k % 8));
        pOut[k] = static_cast<std::int16_t>(nCoefficient / m_nQuant[nTable][k]);
        MarkNonZero(nNonZero, k, pOut[k]);
    }
    return nNonZero;
}
