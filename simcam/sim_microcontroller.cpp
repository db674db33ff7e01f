#include "simcam/sim_microcontroller.h"

#include <algorithm>

namespace {
constexpr BYTE VENDOR_REQUEST_INTERNAL_RAM = 0xA0;
constexpr BYTE VENDOR_REQUEST_EXTERNAL_RAM = 0xA3;
} // namespace

USBD_STATUS CSimMicrocontroller::VendorRequest(BYTE nRequest, WORD nValue, bool bIn, BYTE* pData, DWORD nLength,
                                               DWORD* pnMoved)
{
    *pnMoved = 0;
    const bool bLoad = nRequest == VENDOR_REQUEST_INTERNAL_RAM ||
                       (nRequest == VENDOR_REQUEST_EXTERNAL_RAM && m_Program != SIM_PROGRAM::None && !m_bInReset);
    if (!bLoad || (nLength && !pData))
        return USBD_STATUS_STALL_PID;
    if (!bIn && nRequest == VENDOR_REQUEST_INTERNAL_RAM && (nValue == CPUCS || nValue == CPUCS_OLD)) {
        if (nLength >= 1 && nValue == CPUCS)
            SetReset((pData[0] & 1) != 0);
        *pnMoved = nLength;
        return USBD_STATUS_SUCCESS;
    }
    if (nValue + nLength > MEMORY_SIZE)
        return USBD_STATUS_STALL_PID;
    if (bIn) {
        std::copy_n(m_Memory.begin() + nValue, nLength, pData);
    } else {
        std::copy_n(pData, nLength, m_Memory.begin() + nValue);
        ++m_nRecords;
        m_nBytes += nLength;
        m_nBytesSinceHold += nLength;
    }
    *pnMoved = nLength;
    return USBD_STATUS_SUCCESS;
}

void CSimMicrocontroller::SetReset(bool bHold)
{
    if (bHold) {
        // A hold while already held keeps what was loaded meanwhile.
        if (!m_bInReset) {
            m_LastProgram = m_Program;
            m_nBytesSinceHold = 0;
        }
        m_bInReset = true;
        m_Program = SIM_PROGRAM::None;
        return;
    }
    if (!m_bInReset)
        return;
    m_bInReset = false;
    if (m_nBytesSinceHold >= CAMERA_FIRMWARE_MIN_BYTES)
        m_Program = SIM_PROGRAM::CameraFirmware;
    else if (m_nBytesSinceHold > 0)
        m_Program = SIM_PROGRAM::Loader;
    else
        m_Program = m_LastProgram;
    if (m_Program == SIM_PROGRAM::CameraFirmware && m_bNoFirmware)
        m_Program = SIM_PROGRAM::None;
    if (m_Program == SIM_PROGRAM::CameraFirmware)
        m_bFirmwareStarted = true;
}

bool CSimMicrocontroller::TakeFirmwareStarted()
{
    const bool bStarted = m_bFirmwareStarted;
    m_bFirmwareStarted = false;
    return bStarted;
}
