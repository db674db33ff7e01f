// The simulated camera's USB microcontroller: memory loaded by vendor requests, the reset
// register, and which program runs once the reset is released.
#pragma once

#include "driver/usb_types.h"
#include "platform/win_types.h"

#include <vector>

enum class SIM_PROGRAM { None, Loader, CameraFirmware };

// Vendor request 0xA0 writes (or reads) memory at the request's value as address; a one-byte
// write of 1 to the reset register 0xE600 holds the processor in reset, a 0 lets it run.
// 0x7F92, the reset register of the older chip generation, is accepted and has no effect.
// Request 0xA3 writes memory through a running program. When the reset is released, the
// program loaded while it was held starts: a download of 2 KB or more is the camera firmware
// (the camera's images: loader 784 bytes, firmware 4012), a smaller one the loader; without
// a new download the previous program starts again. Not thread-safe: the camera guards it.
class CSimMicrocontroller {
public:
    static constexpr WORD CPUCS = 0xE600;
    static constexpr WORD CPUCS_OLD = 0x7F92;
    static constexpr DWORD MEMORY_SIZE = 0x10000;
    static constexpr DWORD CAMERA_FIRMWARE_MIN_BYTES = 2048;

    CSimMicrocontroller() : m_Memory(MEMORY_SIZE) {}

    // A vendor request on the control endpoint: the USB status, *pnMoved the bytes moved.
    USBD_STATUS VendorRequest(BYTE nRequest, WORD nValue, bool bIn, BYTE* pData, DWORD nLength, DWORD* pnMoved);

    SIM_PROGRAM GetProgram() const { return m_Program; }
    bool IsInReset() const { return m_bInReset; }
    // TRUE once after the camera firmware has (re)started.
    bool TakeFirmwareStarted();

    // Fault: the camera firmware never runs (a missing or damaged image).
    void SetNoFirmware(bool bNoFirmware) { m_bNoFirmware = bNoFirmware; }

    DWORD GetRecordsReceived() const { return m_nRecords; }
    DWORD GetBytesReceived() const { return m_nBytes; }

private:
    void SetReset(bool bHold);

    std::vector<BYTE> m_Memory;
    SIM_PROGRAM m_Program = SIM_PROGRAM::None;
    SIM_PROGRAM m_LastProgram = SIM_PROGRAM::None;
    bool m_bInReset = false;
    bool m_bFirmwareStarted = false;
    bool m_bNoFirmware = false;
    DWORD m_nBytesSinceHold = 0;
    DWORD m_nRecords = 0;
    DWORD m_nBytes = 0;
};
