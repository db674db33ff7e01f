// Test helper: the pixel routines computed the slow, literal way, pixel by pixel with the
// integer divisions, remainders and look-up tables the routines are defined by. Pictures
// are addressed in memory rows, as the routines see them.
#pragma once

#include "app/imaging/dib_image.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>

inline BYTE* MemPixel(CDibImage& image, int x, int nMemoryRow)
{
    return image.Bits() + static_cast<std::size_t>(nMemoryRow) * image.Stride() +
           static_cast<std::size_t>(x) * image.BytesPerPixel();
}

inline const BYTE* MemPixel(const CDibImage& image, int x, int nMemoryRow)
{
    return MemPixel(const_cast<CDibImage&>(image), x, nMemoryRow);
}

inline void FillRandom(CDibImage& image, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    for (int i = 0; i < image.Stride() * image.Height(); ++i)
        image.Bits()[i] = static_cast<BYTE>(random() >> 24);
}

// Demosaic of the whole picture src into dst (same size), gains as hundredths.
inline void ReferenceDemosaic(const CDibImage& src, CDibImage& dst, int nMode, int nGainR, int nGainB)
{
    struct CTap {
        int dx, dy;
    };
    // By phase (row flag, column flag) = [0][0], [0][1], [1][0], [1][1].
    const CTap red[2][2][4] = {{{{0, -1}, {-2, -1}, {0, 1}, {-2, 1}}, {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}},
                              {{{0, 0}, {-2, 0}, {0, -2}, {-2, -2}}, {{-1, 0}, {1, 0}, {-1, -2}, {1, -2}}}};
    const CTap green[2][2][2] = {{{{-1, -1}, {0, 0}}, {{-1, 0}, {0, -1}}}, {{{-1, 0}, {0, -1}}, {{-1, -1}, {0, 0}}}};
    const CTap blue[2][2][4] = {{{{-1, 0}, {1, 0}, {-1, -2}, {1, -2}}, {{0, 0}, {-2, 0}, {0, -2}, {-2, -2}}},
                               {{{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}, {{0, -1}, {-2, -1}, {0, 1}, {-2, 1}}}};
    const int weight[4] = {9, 3, 3, 1};
    const int nRedGain = static_cast<int>(nGainR * 1.28);
    const int nBlueGain = static_cast<int>(nGainB * 1.28);
    int nRowFlag = nMode == 1 || nMode == 3;
    for (int y = 2; y <= src.Height() - 3; ++y) {
        int nColFlag = nMode == 2 || nMode == 3;
        for (int x = 2; x <= src.Width() - 3; ++x) {
            auto S = [&](CTap t) { return static_cast<int>(*MemPixel(src, x + t.dx, y + t.dy)); };
            int nRed = 0, nBlue = 0;
            for (int i = 0; i < 4; ++i) {
                nRed += weight[i] * S(red[nRowFlag][nColFlag][i]);
                nBlue += weight[i] * S(blue[nRowFlag][nColFlag][i]);
            }
            const int nGreen = (S(green[nRowFlag][nColFlag][0]) + S(green[nRowFlag][nColFlag][1])) >> 1;
            BYTE* p = MemPixel(dst, x, y);
            p[0] = static_cast<BYTE>(std::min((nBlue * nBlueGain) >> 11, 255));
            p[1] = static_cast<BYTE>(std::min(nGreen, 255));
            p[2] = static_cast<BYTE>(std::min((nRed * nRedGain) >> 11, 255));
            nColFlag ^= 1;
        }
        nRowFlag ^= 1;
    }
}

// AdjustHls of one pixel (b, g, r in place).
inline void ReferenceHls(BYTE* p, int nHueDelta, int nLightDelta, int nSatDelta)
{
    const int b = p[0], g = p[1], r = p[2];
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int L = (mx + mn) >> 1;
    int S = 0, H = 0;
    if (mx != mn) {
        const int d = mx - mn;
        S = L < 128 ? d * 255 / (mx + mn) : d * 255 / (510 - mx - mn);
        if (r == mx)
            H = 64 * (g - b) / d;
        else if (g == mx)
            H = 64 * (b - r) / d + 120;
        else
            H = 64 * (r - g) / d + 240;
        if (H < 0)
            H += 360;
        if (H >= 360)
            H -= 360;
    }
    const int H2 = H + nHueDelta, S2 = S + nSatDelta, L2 = L + nLightDelta;
    auto clamp = [](int v) { return static_cast<BYTE>(std::min(std::max(v, 0), 255)); };
    if (S2 <= 0) {
        p[0] = p[1] = p[2] = clamp(L2);
        return;
    }
    const int S3 = std::min(S2, 255);
    const int m2 = L2 < 128 ? ((S3 + 255) * L2) >> 8 : S3 + L2 - ((S3 * L2) >> 8);
    const int m1 = 2 * L2 - m2;
    auto f = [&](int h) {
        if (h < 0)
            return m1;
        if (h < 60)
            return m1 + (((m2 - m1) * h) >> 6);
        if (h < 180)
            return m2;
        if (h < 240)
            return m1 + (((m2 - m1) * (240 - h)) >> 6);
        return m1;
    };
    p[2] = clamp(f((H2 + 120) % 360));
    p[1] = clamp(f(H2 % 360));
    p[0] = clamp(f((H2 - 120) % 360));
}

// The gamma table searched the way it is defined, j by j.
inline void ReferenceGammaTable(int nGamma, BYTE table[256])
{
    double h = nGamma <= 100 ? nGamma * 0.01 : (nGamma - 100) * 0.1 + 1.0;
    if (h <= 0.001)
        h = 0.001;
    if (h >= 99.999)
        h = 99.999;
    const double L = std::log10(255.0);
    for (int i = 0; i < 256; ++i) {
        const double m = L + h * (std::log10(static_cast<double>(i)) - L);
        int nValue = 255;
        if (m < 0) {
            nValue = 1;
        } else {
            for (int j = 3; j <= 255; ++j)
                if (std::log10(static_cast<double>(j - 2)) <= m && m <= std::log10(static_cast<double>(j))) {
                    nValue = j - 1;
                    break;
                }
        }
        table[i] = static_cast<BYTE>(nValue);
    }
}

inline void ReferenceContrastTable(int c, BYTE table[256])
{
    for (int i = 0; i < 256; ++i) {
        if (c >= 128)
            table[i] = 0;
        else if (i < c)
            table[i] = 0;
        else if (i > 255 - c)
            table[i] = 255;
        else
            table[i] = static_cast<BYTE>(static_cast<int>(256.0 / ((128 - c) * 2) * (i - c)));
    }
}

// Sharpen of the whole picture: dst is the picture, src its unchanged copy.
inline void ReferenceSharpen(const CDibImage& src, CDibImage& dst, int s)
{
    int T[512];
    for (int k = 0; k < 512; ++k)
        T[k] = s * (k - 255) / 10;
    const int nChannels = src.BytesPerPixel();
    for (int y = 2; y <= src.Height() - 3; ++y)
        for (int x = 2; x <= src.Width() - 3; ++x)
            for (int c = 0; c < nChannels; ++c) {
                int nSum = 0;
                for (int dy = -2; dy <= 1; ++dy)
                    for (int dx = -2; dx <= 1; ++dx)
                        nSum += MemPixel(src, x + dx, y + dy)[c];
                const int o = MemPixel(src, x, y)[c];
                const int nValue = o + T[o - (nSum >> 4) + 255];
                MemPixel(dst, x, y)[c] = static_cast<BYTE>(std::min(std::max(nValue, 0), 255));
            }
}
