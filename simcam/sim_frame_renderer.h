// Turns the scene into the raw frames the simulated camera sends: the Bayer mosaic of the
// capture window, 8- or 10-bit, with exposure, gains, black level and sensor noise.
#pragma once

#include "simcam/sim_camera_firmware.h"
#include "simcam/sim_scene.h"

#include <cstdint>
#include <vector>

// The frame layout is the camera's raw layout: rows of CAM_RAW_ROW_PIXELS samples; row 0 is
// blanking, rows 1 .. window height show sensor rows window y, y + 1, ...; in each row the
// samples from column CAM_RAW_FIRST_COLUMN show sensor columns window x, x + 1, ...; every
// other sample is dark (black level and noise). Bytes beyond the last row are zero.
// The colour filter follows the sensor's own rows and columns: even row, even column green;
// even row, odd column red; odd row, even column blue; odd row, odd column green.
//
// Signal (10-bit units): radiance x 1023 x 0.75 x (exposure / 512) x (global gain / 32) x
// (1 + colour gain / 64), plus a black level of 16; noise: read noise of 2 and shot noise
// of sqrt(signal / 4). 8-bit samples are the 10-bit value's eight high bits.
//
// Used by one thread at a time; Render allocates nothing.
class CSimFrameRenderer {
public:
    explicit CSimFrameRenderer(unsigned nSeed);
    // Takes a new scene (not per frame: this builds the mosaic plane).
    void SetScene(const CSimRadiance& radiance);
    // Renders one frame into pBuffer; answers the bytes written: the frame's bytes, or
    // nLength when the buffer is shorter.
    DWORD Render(const SIM_FRAME_SETTINGS& settings, BYTE* pBuffer, DWORD nLength);

    static constexpr float BLACK_LEVEL = 16.0f;

private:
    void PrepareGains(const SIM_FRAME_SETTINGS& settings);
    void RenderRow(const SIM_FRAME_SETTINGS& settings, int nRow, BYTE* pOut);

    std::vector<float> m_Mosaic;  // per sensor pixel, the radiance of its filter colour
    std::vector<float> m_Noise;   // unit normal samples
    std::vector<float> m_Dark;    // zeros, one raw row long
    std::vector<float> m_GainEvenRow, m_GainOddRow; // per sensor column, this frame
    std::vector<BYTE> m_Scratch;  // one raw row, for a row the buffer cuts short
    std::uint32_t m_nRandom;
    std::uint32_t m_nNoiseOffset = 0;
};
