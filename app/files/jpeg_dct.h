// The forward DCT and quantisation of one 8x8 block, with the exact double-precision
// arithmetic that fixes the encoder's output, computed by a fast separable transform
// that provably yields the same integers.
#pragma once

#include "platform/win_types.h"

#include <cstdint>

// The reference value of coefficient (u, v) of a block f, u the vertical and v the
// horizontal frequency, is
//     trunc(0.25 * C(u) * C(v) * sum)
//     sum = 0; for y = 0..7, for x = 0..7: sum += f[y][x] * cos[u][y] * cos[v][x]
// evaluated left to right in double precision with every product and sum rounded on its
// own (no fused multiply-add), cos[k][n] = cos((2n + 1) * k * 0.196349540625) and
// C(0) = 1 / 1.41421356, C(k) = 1 otherwise. The quantised coefficient is that integer
// divided by the table entry, truncating toward zero.
class CDctTransform {
public:
    // Numerator of the error bound of the fast path: the fast quotient of coefficient k
    // lies within FAST_ERROR_NUMERATOR / q[k] of the reference value / q[k] (see
    // jpeg_dct.cpp; the derivation gives about half of it).
    static constexpr double FAST_ERROR_NUMERATOR = 0.01;

    CDctTransform();

    // Quantised coefficients, natural order, of the block whose row y starts at
    // pSamples + y * nStride, with quantisation table nTable (0 or 1 of g_QuantTables).
    // Samples are integers in -256..256 (held as floats, as the transform reads them).
    // Coefficients whose fast value lies within the error bound (widened by fWiden) of
    // a quantisation step are taken from the reference sum instead. Returns the mask of
    // non-zero coefficients (bit k for natural index k).
    std::uint64_t ForwardQuantise(const float* pSamples, int nStride, int nTable, std::int16_t* pOut,
                                  float fWiden = 0) const;

    // The reference value of coefficient (u, v) before truncation.
    double ReferenceValue(const float* pSamples, int nStride, int u, int v) const;

    double Cos(int k, int n) const { return m_dCos[k][n]; }

private:
    // ForwardQuantise with the AVX2 kernel inlined (x86 only).
    std::uint64_t ForwardQuantiseAvx2(const float* pSamples, int nStride, int nTable, std::int16_t* pOut,
                                      float fWiden) const;
    // The quantised DC coefficient from the exact sum of the samples.
    std::int16_t QuantisedDc(float fDcSum, int nTable) const;
    // Coefficients whose fast value (pValues, natural order) lies within the bound of a
    // step, from the reference sum; returns the updated non-zero mask.
    std::uint64_t SettleNearSteps(const float* pSamples, int nStride, int nTable, std::int16_t* pOut, float fWiden,
                                  const float* pValues, std::uint64_t nNonZero) const;

    double m_dCos[8][8];              // [k][n] as above
    double m_dScale[8][8];            // 0.25 * C(u) * C(v), evaluated left to right
    float m_fCos[8][8];               // m_dCos rounded to float
    float m_fCosByColumn[8][8];       // [n][k]: the same, frequencies contiguous
    float m_fQuantScale[2][8][8];     // m_dScale / quantisation entry, rounded to float
    float m_fBound[2][8][8];          // FAST_ERROR_NUMERATOR / quantisation entry
    float m_fCosSplat[8][8][8];       // [k][n]: m_fCos[k][n] in all eight lanes
    std::int16_t m_nQuant[2][64];
    double m_dQuant[2][64];           // the same as doubles
};
