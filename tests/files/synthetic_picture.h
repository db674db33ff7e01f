// Test and benchmark helper: draws a natural-looking microscope picture (shaded
// background, soft round particles, a scale with fine divisions, a colour patch and
// mild sensor noise) into a 24-bit picture, the same for the same size and seed.
#pragma once

#include "app/imaging/dib_image.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

inline void DrawNaturalPicture(CDibImage& image, int nWidth, int nHeight, std::uint32_t nSeed = 1)
{
    image.Create(nWidth, nHeight, 24);
    std::uint32_t nState = nSeed * 2654435761u + 1;
    const auto random = [&nState]() {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        return nState;
    };
    struct CParticle {
        double x, y, r, shade;
    };
    CParticle particles[24];
    for (CParticle& p : particles) {
        p.x = random() % 1000 / 1000.0 * nWidth;
        p.y = random() % 1000 / 1000.0 * nHeight;
        p.r = (4 + random() % 40) / 640.0 * std::max(nWidth, 64);
        p.shade = 0.35 + random() % 40 / 100.0;
    }
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pRow = image.Bits() + static_cast<std::size_t>(nHeight - 1 - y) * image.Stride();
        for (int x = 0; x < nWidth; ++x) {
            const double u = static_cast<double>(x) / nWidth;
            const double v = static_cast<double>(y) / nHeight;
            // Warm, unevenly lit background with a fine fibrous texture.
            double light = 0.75 + 0.2 * std::sin(3.0 * u + 1.0) * std::cos(2.0 * v);
            light += 0.05 * std::sin(0.35 * x + 2.0 * std::sin(0.05 * y)) * std::sin(0.21 * y + 0.5 * std::sin(0.07 * x));
            double red = 200 * light, green = 185 * light, blue = 150 * light;
            // Soft-edged dark particles.
            for (const CParticle& p : particles) {
                const double d = std::hypot(x - p.x, y - p.y) - p.r;
                const double w = 1 / (1 + std::exp(d / 1.5));
                red -= w * red * (1 - p.shade);
                green -= w * green * (1 - p.shade * 0.9);
                blue -= w * blue * (1 - p.shade * 1.1 > 0 ? 1 - p.shade * 1.1 : 0);
            }
            // A scale with a division every 10 pixels in the lower third.
            if (v > 0.7 && v < 0.75 && x % 10 < 2) {
                red *= 0.5;
                green *= 0.5;
                blue *= 0.55;
            }
            // A smooth colour patch in the top-left corner.
            if (u < 0.2 && v < 0.2) {
                red = 255 * u * 5;
                green = 255 * v * 5;
                blue = 128 + 100 * std::sin(10 * u);
            }
            const double noise = static_cast<int>(random() % 13) - 6;
            pRow[3 * x + 0] = static_cast<BYTE>(std::clamp(blue + noise, 0.0, 255.0));
            pRow[3 * x + 1] = static_cast<BYTE>(std::clamp(green + noise, 0.0, 255.0));
            pRow[3 * x + 2] = static_cast<BYTE>(std::clamp(red + noise, 0.0, 255.0));
        }
    }
}
