#include "simcam/sim_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

std::shared_ptr<const CSimRadiance> SimRenderScene(const ISimScene& scene)
{
    auto pRadiance = std::make_shared<CSimRadiance>();
    scene.Render(*pRadiance);
    return pRadiance;
}

namespace {

struct RGB_F {
    float r, g, b;
};

struct PARTICLE {
    float x, y, radius;
    RGB_F tint; // transmission of its body
};

// Transmission of the micrometer's chrome marks at a point (1 clear, small = opaque).
float ScaleTransmission(float x, float y)
{
    constexpr float kScaleY = 150.0f; // the scale's base line
    constexpr float kLeft = 20.0f;
    constexpr float kRight = 620.0f;
    constexpr float kOpaque = 0.06f;
    if (x < kLeft - 1.0f || x > kRight + 1.0f)
        return 1.0f;
    if (y >= kScaleY && y < kScaleY + 2.0f)
        return kOpaque;
    // A mark every 10 um, 12 px high; every 50 um 22 px; every 100 um 34 px.
    const float fOffset = x - kLeft;
    const int nMark = static_cast<int>(std::lround(fOffset / 10.0f));
    if (std::fabs(fOffset - nMark * 10.0f) >= 1.0f || nMark < 0 || nMark > 60)
        return 1.0f;
    const float fLength = nMark % 10 == 0 ? 34.0f : nMark % 5 == 0 ? 22.0f : 12.0f;
    return (y < kScaleY && y >= kScaleY - fLength) ? kOpaque : 1.0f;
}

std::array<PARTICLE, 14> MakeParticles()
{
    std::array<PARTICLE, 14> particles{};
    std::uint32_t nState = 0x2545F491u;
    auto next = [&nState] {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        return (nState & 0xFFFF) / 65535.0f;
    };
    const RGB_F tints[3] = {{0.62f, 0.42f, 0.28f}, {0.35f, 0.45f, 0.70f}, {0.55f, 0.60f, 0.35f}};
    for (std::size_t i = 0; i < particles.size(); ++i) {
        PARTICLE& p = particles[i];
        p.radius = 6.0f + 30.0f * next() * next();
        p.x = 30.0f + 580.0f * next();
        p.y = 200.0f + 260.0f * next();
        p.tint = tints[i % 3];
    }
    return particles;
}

// Transmission of the colour patch (two rows of three filters) at a point, or clear.
RGB_F PatchTransmission(float x, float y)
{
    static constexpr RGB_F kFilters[6] = {{0.85f, 0.08f, 0.08f}, {0.08f, 0.80f, 0.10f}, {0.08f, 0.12f, 0.85f},
                                          {0.10f, 0.80f, 0.85f}, {0.85f, 0.10f, 0.80f}, {0.88f, 0.85f, 0.10f}};
    constexpr float kLeft = 430.0f;
    constexpr float kTop = 350.0f;
    constexpr float kCell = 60.0f;
    if (x < kLeft || x >= kLeft + 3 * kCell || y < kTop || y >= kTop + 2 * kCell)
        return {1.0f, 1.0f, 1.0f};
    const int nColumn = static_cast<int>((x - kLeft) / kCell);
    const int nRow = static_cast<int>((y - kTop) / kCell);
    return kFilters[nRow * 3 + nColumn];
}

} // namespace

void CSimMicrometerScene::Render(CSimRadiance& radiance) const
{
    const RGB_F lamp{0.93f, 1.0f, 0.84f}; // a slightly warm halogen lamp
    const float fGlass = 0.92f;
    const auto particles = MakeParticles();
    const float fCx = CSimRadiance::WIDTH / 2.0f;
    const float fCy = CSimRadiance::HEIGHT / 2.0f;
    const float fCorner2 = fCx * fCx + fCy * fCy;
    for (int y = 0; y < CSimRadiance::HEIGHT; ++y) {
        for (int x = 0; x < CSimRadiance::WIDTH; ++x) {
            RGB_F sum{0, 0, 0};
            // Four samples per pixel smooth the edges.
            for (int s = 0; s < 4; ++s) {
                const float fx = x + 0.25f + 0.5f * (s & 1);
                const float fy = y + 0.25f + 0.5f * (s >> 1);
                RGB_F t = PatchTransmission(fx, fy);
                const float fScale = ScaleTransmission(fx, fy);
                t = {t.r * fScale, t.g * fScale, t.b * fScale};
                for (const PARTICLE& p : particles) {
                    const float dx = fx - p.x;
                    const float dy = fy - p.y;
                    const float d2 = dx * dx + dy * dy;
                    if (d2 < p.radius * p.radius) {
                        const float fInner = p.radius - 1.5f;
                        const float fRim = d2 > fInner * fInner ? 0.55f : 1.0f; // darker outline
                        t = {t.r * p.tint.r * fRim, t.g * p.tint.g * fRim, t.b * p.tint.b * fRim};
                    }
                }
                sum = {sum.r + t.r, sum.g + t.g, sum.b + t.b};
            }
            const float dx = x - fCx;
            const float dy = y - fCy;
            const float fLight = fGlass * 0.25f * (1.0f - 0.3f * (dx * dx + dy * dy) / fCorner2);
            radiance.Set(x, y, sum.r * lamp.r * fLight, sum.g * lamp.g * fLight, sum.b * lamp.b * fLight);
        }
    }
}

void CSimUniformScene::Render(CSimRadiance& radiance) const
{
    std::fill(radiance.Red.begin(), radiance.Red.end(), m_fRed);
    std::fill(radiance.Green.begin(), radiance.Green.end(), m_fGreen);
    std::fill(radiance.Blue.begin(), radiance.Blue.end(), m_fBlue);
}

CSimPictureScene::CSimPictureScene(int nWidth, int nHeight, const unsigned char* pBgrRows, int nStride)
    : m_nWidth(std::max(nWidth, 0)), m_nHeight(std::max(nHeight, 0))
{
    if (!pBgrRows) {
        m_nWidth = m_nHeight = 0;
        return;
    }
    m_Pixels.resize(static_cast<std::size_t>(m_nWidth) * m_nHeight * 3);
    for (int y = 0; y < m_nHeight; ++y)
        std::copy_n(pBgrRows + static_cast<std::size_t>(y) * nStride, m_nWidth * 3,
                    m_Pixels.begin() + static_cast<std::ptrdiff_t>(y) * m_nWidth * 3);
}

void CSimPictureScene::Render(CSimRadiance& radiance) const
{
    if (m_nWidth == 0 || m_nHeight == 0)
        return;
    std::array<float, 256> linear{};
    for (int v = 0; v < 256; ++v)
        linear[v] = std::pow(v / 255.0f, 2.2f);
    for (int y = 0; y < CSimRadiance::HEIGHT; ++y) {
        const int sy = y * m_nHeight / CSimRadiance::HEIGHT;
        for (int x = 0; x < CSimRadiance::WIDTH; ++x) {
            const int sx = x * m_nWidth / CSimRadiance::WIDTH;
            const unsigned char* p = &m_Pixels[(static_cast<std::size_t>(sy) * m_nWidth + sx) * 3];
            radiance.Set(x, y, linear[p[2]], linear[p[1]], linear[p[0]]);
        }
    }
}
