#include "simcam/sim_camera_firmware.h"

#include <algorithm>

void CSimCameraFirmware::PowerOn()
{
    m_Registers.PowerOn();
    m_Reply.fill(0);
    m_bTenBit = false;
    m_bHalfClock = false;
    m_bFrameArmed = false;
    m_nTransferSize = CamTransferSize(CAM_SENSOR_HEIGHT);
}

void CSimCameraFirmware::OnCommand(const BYTE* pMessage, DWORD nLength)
{
    CAM_MESSAGE message{};
    std::copy_n(pMessage, std::min<DWORD>(nLength, CAM_MESSAGE_SIZE), message.begin());
    const BYTE* p = message.data();
    switch (p[0]) {
    case CAM_CMD_FRAME:
        m_bFrameArmed = true;
        break;
    case CAM_CMD_FRAME_QUEUED:
        break; // the host is ready; frames go out when they are due
    case CAM_CMD_WRITE_REG:
        m_Registers.Write(CamCommandRegister(p), CamCommandRegisterValue(p));
        break;
    case CAM_CMD_INIT:
        m_Registers.PowerOn();
        break;
    case CAM_CMD_SET_TRANSFER_SIZE:
        m_nTransferSize = std::min(CamCommandTransferSize(p), MAX_TRANSFER_SIZE);
        break;
    case CAM_CMD_SET_DATA_WIDTH:
        m_bTenBit = CamCommandFlag(p);
        break;
    case CAM_CMD_READ_REG:
        m_Reply = CamBuildRegisterReply(m_Registers.Read(CamCommandRegister(p)));
        break;
    case CAM_CMD_SET_HALF_CLOCK:
        m_bHalfClock = CamCommandFlag(p);
        m_Registers.PowerOn(); // the sensor restarts with the new clock
        break;
    case CAM_CMD_GET_HALF_CLOCK:
        m_Reply = CamBuildHalfClockReply(m_bHalfClock);
        break;
    default:
        break;
    }
}

SIM_FRAME_SETTINGS CSimCameraFirmware::GetFrameSettings() const
{
    const CSimRegisterFile& r = m_Registers;
    SIM_FRAME_SETTINGS s;
    s.nWindowY = r.Peek(CAM_REG_ROW_START) - CAM_ROW_START_OFFSET;
    s.nWindowX = r.Peek(CAM_REG_COLUMN_START) - CAM_COLUMN_START_OFFSET;
    s.nWindowHeight = std::max(0, r.Peek(CAM_REG_ROW_END) - CAM_ROW_END_OFFSET - s.nWindowY);
    s.bTenBit = m_bTenBit;
    s.bHalfClock = m_bHalfClock;
    s.nTransferSize = m_nTransferSize;
    s.nExposure = r.Peek(CAM_REG_EXPOSURE);
    s.nGlobalGain = r.Peek(CAM_REG_GLOBAL_GAIN) & 0x7F;
    s.nGainRed = r.Peek(CAM_REG_GAIN_RED) & 0xFF;
    s.nGainGreen1 = r.Peek(CAM_REG_GAIN_GREEN1) & 0xFF;
    s.nGainGreen2 = r.Peek(CAM_REG_GAIN_GREEN2) & 0xFF;
    s.nGainBlue = r.Peek(CAM_REG_GAIN_BLUE) & 0xFF;
    s.nHBlank = r.Peek(CAM_REG_H_BLANK);
    s.nVBlank = r.Peek(CAM_REG_V_BLANK);
    return s;
}

double SimFramePeriodSeconds(const SIM_FRAME_SETTINGS& s)
{
    const double fClock = s.bHalfClock ? SIM_PIXEL_CLOCK_HZ / 2 : SIM_PIXEL_CLOCK_HZ;
    const double fLineSeconds = (CAM_RAW_ROW_PIXELS + s.nHBlank) / fClock;
    const int nReadOutLines = CAM_RAW_FIRST_ROW + s.nWindowHeight + s.nVBlank;
    return std::max<int>(nReadOutLines, s.nExposure) * fLineSeconds;
}
