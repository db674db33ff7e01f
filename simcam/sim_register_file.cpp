#include "simcam/sim_register_file.h"

#include "driver/camera_protocol.h"

WORD CSimRegisterFile::PowerOnValue(BYTE nRegister)
{
    switch (nRegister) {
    case CAM_REG_CHIP_VERSION:
    case CAM_REG_CHIP_ID:
        return 0x8431;
    // The full 640 x 480 window.
    case CAM_REG_ROW_START:
        return CAM_ROW_START_OFFSET;
    case CAM_REG_COLUMN_START:
        return CAM_COLUMN_START_OFFSET;
    case CAM_REG_ROW_END:
        return CAM_SENSOR_HEIGHT + CAM_ROW_END_OFFSET;
    case CAM_REG_COLUMN_END:
        return CAM_COLUMN_END_VALUE;
    case CAM_REG_H_BLANK:
        return CAM_H_BLANK_VALUE;
    case CAM_REG_V_BLANK:
        return CAM_V_BLANK_VALUE;
    case CAM_REG_OUTPUT_MODE:
        return 0x0102;
    case CAM_REG_EXPOSURE:
        return 480; // lines
    case CAM_REG_GLOBAL_GAIN:
        return 32; // unity
    default:
        return 0; // colour gains 0 are unity too
    }
}

void CSimRegisterFile::PowerOn()
{
    for (int i = 0; i < 256; ++i)
        m_Values[i] = PowerOnValue(static_cast<BYTE>(i));
}

WORD CSimRegisterFile::Read(BYTE nRegister) const
{
    return (CamRegisterAccess(nRegister) & CAM_REG_READABLE) ? m_Values[nRegister] : 0;
}

void CSimRegisterFile::Write(BYTE nRegister, WORD nValue)
{
    if (CamRegisterAccess(nRegister) & CAM_REG_WRITABLE)
        m_Values[nRegister] = nValue;
}
