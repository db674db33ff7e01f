// The simulated camera firmware: the 64-byte command protocol over the sensor registers, the
// reply buffer, data width, transfer size, clock, and what the next frame looks like.
#pragma once

#include "driver/camera_protocol.h"
#include "simcam/sim_register_file.h"

// Everything a frame's content and timing depend on, taken at the moment it is read out.
struct SIM_FRAME_SETTINGS {
    int nWindowX = 0;      // first sensor column of the window
    int nWindowY = 0;      // first sensor row
    int nWindowHeight = 0; // rows read out
    bool bTenBit = false;
    bool bHalfClock = false;
    DWORD nTransferSize = 0; // bytes of an 8-bit frame; twice as many go out in 10-bit mode
    WORD nExposure = 0;      // lines
    WORD nGlobalGain = 0;    // 7 bits, 32 = unity
    WORD nGainRed = 0, nGainGreen1 = 0, nGainGreen2 = 0, nGainBlue = 0; // 8 bits, 0 = unity
    WORD nHBlank = 0, nVBlank = 0;
};

// Commands take effect at once: CAM_CMD_INIT and CAM_CMD_SET_HALF_CLOCK put the registers
// back to their power-on values (the sensor restarts), CAM_CMD_FRAME arms the next frame,
// CAM_CMD_READ_REG and CAM_CMD_GET_HALF_CLOCK fill the reply buffer, which every read of the
// reply pipe returns until the next reply. Unknown commands are ignored. Not thread-safe:
// the camera guards it.
class CSimCameraFirmware {
public:
    CSimCameraFirmware() { PowerOn(); }
    void PowerOn();
    // A message from the command pipe (its first 64 bytes count; shorter ones are zero-padded).
    void OnCommand(const BYTE* pMessage, DWORD nLength);

    const CAM_MESSAGE& GetReply() const { return m_Reply; }
    bool IsFrameArmed() const { return m_bFrameArmed; }
    void DisarmFrame() { m_bFrameArmed = false; }
    SIM_FRAME_SETTINGS GetFrameSettings() const;
    // Bytes one frame puts on the image pipe.
    DWORD GetFrameBytes() const { return m_nTransferSize * (m_bTenBit ? 2 : 1); }

    bool IsHalfClock() const { return m_bHalfClock; }
    CSimRegisterFile& Registers() { return m_Registers; }
    const CSimRegisterFile& Registers() const { return m_Registers; }

    static constexpr DWORD MAX_TRANSFER_SIZE = CAM_IMAGE_PIPE_MAX_TRANSFER / 2;

private:
    CSimRegisterFile m_Registers;
    CAM_MESSAGE m_Reply{};
    bool m_bTenBit = false;
    bool m_bHalfClock = false;
    bool m_bFrameArmed = false;
    DWORD m_nTransferSize = CamTransferSize(CAM_SENSOR_HEIGHT);
};

// The frame period of the simulated sensor: (H total + horizontal blanking) pixel clocks per
// line at 12 MHz (6 MHz at half clock), and per frame the larger of the read-out lines
// (first row + window rows + vertical blanking) and the exposure lines. Full window at the
// power-on settings: 691 clocks x 506 lines = 29.1 ms, 34.3 frames per second; half clock
// 17.2. With the program's default exposure of 512 lines: 33.9 and 17.0.
double SimFramePeriodSeconds(const SIM_FRAME_SETTINGS& settings);
constexpr double SIM_PIXEL_CLOCK_HZ = 12e6;
