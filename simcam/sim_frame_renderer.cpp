#include "simcam/sim_frame_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr std::size_t kNoiseSize = 65536;
constexpr float kReadNoiseVariance = 4.0f; // read noise: 2 units
constexpr float kShotNoisePerUnit = 0.25f; // shot noise: sqrt(signal / 4)
constexpr int kMaxSample = 1023;
constexpr float kLargest = 4096.0f; // far above any sample, far below the int range

// A 10-bit sample from a signal value: rounded, clamped to 0..1023. The clamping is done
// on integers, which the compiler turns into vector instructions.
inline int ClampSample(float v)
{
    v = v < kLargest ? v : kLargest;
    const int n = static_cast<int>(v + 0.5f);
    const int nLow = n < 0 ? 0 : n;
    return nLow > kMaxSample ? kMaxSample : nLow;
}

// Samples of one stretch of a raw row: radiance x gain, black level, noise, clamped and
// rounded. Plain loops over contiguous arrays, so the compiler vectorises them.
void ExposeRow8(const float* pRadiance, const float* pGain, const float* pNoise, int n, BYTE* pOut)
{
    for (int i = 0; i < n; ++i) {
        const float fSignal = pRadiance[i] * pGain[i];
        const float v = CSimFrameRenderer::BLACK_LEVEL + fSignal +
                        pNoise[i] * std::sqrt(kReadNoiseVariance + kShotNoisePerUnit * fSignal);
        pOut[i] = static_cast<BYTE>(ClampSample(v) >> 2);
    }
}

void ExposeRow10(const float* pRadiance, const float* pGain, const float* pNoise, int n, BYTE* pOut)
{
    for (int i = 0; i < n; ++i) {
        const float fSignal = pRadiance[i] * pGain[i];
        const float v = CSimFrameRenderer::BLACK_LEVEL + fSignal +
                        pNoise[i] * std::sqrt(kReadNoiseVariance + kShotNoisePerUnit * fSignal);
        const int nSample = ClampSample(v);
        pOut[2 * i] = static_cast<BYTE>(nSample >> 2);
        pOut[2 * i + 1] = static_cast<BYTE>(nSample & 3);
    }
}

} // namespace

CSimFrameRenderer::CSimFrameRenderer(unsigned nSeed)
    : m_Mosaic(static_cast<std::size_t>(CSimRadiance::WIDTH) * CSimRadiance::HEIGHT),
      m_Noise(kNoiseSize + CAM_RAW_ROW_PIXELS),
      m_Dark(CAM_RAW_ROW_PIXELS, 0.0f),
      m_GainEvenRow(CAM_RAW_ROW_PIXELS, 0.0f),
      m_GainOddRow(CAM_RAW_ROW_PIXELS, 0.0f),
      m_Scratch(2 * CAM_RAW_ROW_PIXELS),
      m_nRandom(nSeed ? nSeed : 1)
{
    std::mt19937 generator(nSeed);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    for (float& f : m_Noise)
        f = normal(generator);
}

void CSimFrameRenderer::SetScene(const CSimRadiance& radiance)
{
    for (int y = 0; y < CSimRadiance::HEIGHT; ++y) {
        for (int x = 0; x < CSimRadiance::WIDTH; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * CSimRadiance::WIDTH + x;
            const bool bOddRow = y & 1;
            const bool bOddColumn = x & 1;
            m_Mosaic[i] = bOddRow == bOddColumn ? radiance.Green[i] : bOddRow ? radiance.Blue[i] : radiance.Red[i];
        }
    }
}

void CSimFrameRenderer::PrepareGains(const SIM_FRAME_SETTINGS& s)
{
    const float fBase = static_cast<float>(kMaxSample) * 0.75f * (s.nExposure / 512.0f) * (s.nGlobalGain / 32.0f);
    auto colour = [fBase](WORD nGain) { return fBase * (1.0f + nGain / 64.0f); };
    const float fGreen1 = colour(s.nGainGreen1), fRed = colour(s.nGainRed);
    const float fBlue = colour(s.nGainBlue), fGreen2 = colour(s.nGainGreen2);
    // Indexed by the sensor column, as the mosaic is.
    for (int x = 0; x < CSimRadiance::WIDTH; ++x) {
        m_GainEvenRow[x] = (x & 1) ? fRed : fGreen1;
        m_GainOddRow[x] = (x & 1) ? fGreen2 : fBlue;
    }
}

void CSimFrameRenderer::RenderRow(const SIM_FRAME_SETTINGS& s, int nRow, BYTE* pOut)
{
    auto expose = s.bTenBit ? &ExposeRow10 : &ExposeRow8;
    const int nBytesPerSample = s.bTenBit ? 2 : 1;
    const float* pNoise = &m_Noise[(m_nNoiseOffset + static_cast<std::uint32_t>(nRow) * 7919u) % kNoiseSize];
    const int nSensorRow = s.nWindowY + nRow - CAM_RAW_FIRST_ROW;
    const bool bLive = nRow >= CAM_RAW_FIRST_ROW && nRow - CAM_RAW_FIRST_ROW < s.nWindowHeight && nSensorRow >= 0 &&
                       nSensorRow < CSimRadiance::HEIGHT && s.nWindowX >= 0;
    const int nLive = bLive ? std::clamp(CSimRadiance::WIDTH - s.nWindowX, 0, CAM_RAW_ROW_PIXELS - CAM_RAW_FIRST_COLUMN)
                            : 0;
    if (nLive == 0) {
        expose(m_Dark.data(), m_Dark.data(), pNoise, CAM_RAW_ROW_PIXELS, pOut);
        return;
    }
    const float* pRadiance = &m_Mosaic[static_cast<std::size_t>(nSensorRow) * CSimRadiance::WIDTH + s.nWindowX];
    const float* pGain = ((nSensorRow & 1) ? m_GainOddRow : m_GainEvenRow).data() + s.nWindowX;
    const int nTail = CAM_RAW_ROW_PIXELS - CAM_RAW_FIRST_COLUMN - nLive;
    expose(m_Dark.data(), m_Dark.data(), pNoise, CAM_RAW_FIRST_COLUMN, pOut);
    expose(pRadiance, pGain, pNoise + CAM_RAW_FIRST_COLUMN, nLive, pOut + CAM_RAW_FIRST_COLUMN * nBytesPerSample);
    expose(m_Dark.data(), m_Dark.data(), pNoise + CAM_RAW_FIRST_COLUMN + nLive, nTail,
           pOut + (CAM_RAW_FIRST_COLUMN + nLive) * nBytesPerSample);
}

DWORD CSimFrameRenderer::Render(const SIM_FRAME_SETTINGS& s, BYTE* pBuffer, DWORD nLength)
{
    const DWORD nFrameBytes = std::min<DWORD>(s.nTransferSize * (s.bTenBit ? 2 : 1), nLength);
    const DWORD nRowBytes = CAM_RAW_ROW_PIXELS * (s.bTenBit ? 2 : 1);
    const int nRows = CAM_RAW_FIRST_ROW + std::max(0, s.nWindowHeight);
    PrepareGains(s);
    // A new stretch of the noise table for every frame.
    m_nRandom ^= m_nRandom << 13;
    m_nRandom ^= m_nRandom >> 17;
    m_nRandom ^= m_nRandom << 5;
    m_nNoiseOffset = m_nRandom % kNoiseSize;

    DWORD nOffset = 0;
    for (int nRow = 0; nRow < nRows && nOffset < nFrameBytes; ++nRow, nOffset += nRowBytes) {
        if (nOffset + nRowBytes <= nFrameBytes) {
            RenderRow(s, nRow, pBuffer + nOffset);
        } else {
            RenderRow(s, nRow, m_Scratch.data());
            std::memcpy(pBuffer + nOffset, m_Scratch.data(), nFrameBytes - nOffset);
        }
    }
    if (nOffset < nFrameBytes)
        std::memset(pBuffer + nOffset, 0, nFrameBytes - nOffset);
    return nFrameBytes;
}
