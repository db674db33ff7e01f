#include "app/camera/camera_device.h"

#include "app/camera/camera_transfer.h"
#include "driver/camera_protocol.h"
#include "platform/log.h"

#include <cstdio>
#include <new>

CCameraDevice::CCameraDevice(CDeviceNamespace& devices) : m_Devices(devices)
{
    for (int i = 0; i < CAM_MAX_DEVICES; ++i) {
        char szPath[64];
        std::snprintf(szPath, sizeof szPath, "\\\\.\\%s-%d", m_szDeviceName, i);
        m_bPresent[i] = CDeviceHandle(m_Devices, szPath).IsValid() ? 1 : 0;
    }
    m_nDeviceIndex = 0;
    Initialize(0);
}

CCameraDevice::~CCameraDevice()
{
    StopCapture();
    ReleaseEndedThread();
}

BOOL CCameraDevice::IsDevicePresent(int nIndex) const
{
    return nIndex >= 0 && nIndex < CAM_MAX_DEVICES && m_bPresent[nIndex];
}

CDeviceHandle CCameraDevice::OpenDevice() const
{
    return CDeviceHandle(m_Devices, m_szDevicePath);
}

int CCameraDevice::SendCommandOnce(const BYTE* pCommand, std::size_t nCount)
{
    // A camera that is not there is told by the probe and IsDevicePresent; only a
    // present camera that does not take a command is worth a line.
    const CDeviceHandle device = OpenDevice();
    if (!device.IsValid())
        return CAM_ERR_NO_HANDLE;
    const int nResult = SendCommand(device, pCommand, nCount);
    if (nResult != CAM_OK)
        LogLine(ELogCategory::Camera, "command 0x%02X to %s not delivered (%d)", pCommand != nullptr ? pCommand[0] : 0,
                m_szDevicePath, nResult);
    return nResult;
}

int CCameraDevice::Initialize(int nIndex)
{
    // Both refusals come before any change: the geometry below must keep matching the
    // ring, which only the capture window at the end replaces.
    if (IsCapturing())
        return CAM_ERR_CAPTURING;
    // Eight devices are probed; index 8 names a ninth path that is never present.
    if (nIndex < 0 || nIndex > CAM_MAX_DEVICES)
        return CAM_ERR_BAD_INDEX;
    m_Geometry = CRawGeometry::Reset();
    m_dGain[0] = m_dGain[1] = m_dGain[2] = 1.0;
    m_bTenBit = 0;
    m_nDemosaicMode = 0;
    m_nBayerPhase = 0;
    m_nDeviceIndex = nIndex;
    std::snprintf(m_szDevicePath, sizeof m_szDevicePath, "\\\\.\\%s-%d", m_szDeviceName, m_nDeviceIndex);
    // The start state is sent without waiting for answers: an absent camera takes none,
    // and what a present camera refuses is logged where the command fails.
    SetDataWidth(FALSE);
    const BYTE nInit = CAM_CMD_INIT;
    SendCommandOnce(&nInit, 1);
    SetCaptureWindow(0, 0, CAM_SENSOR_WIDTH, CAM_SENSOR_HEIGHT, 0);
    SetOutputMode(0);
    return CAM_OK;
}

int CCameraDevice::SetCaptureWindow(int x, int y, int nWidth, int nHeight, int nDemosaicMode)
{
    // The transfer thread writes into the ring this replaces.
    if (IsCapturing())
        return CAM_ERR_CAPTURING;
    if (x < 0 || y < 0 || nWidth < 4 || nHeight < 3 || x + nWidth > CAM_SENSOR_WIDTH ||
        y + nHeight > CAM_SENSOR_HEIGHT || nDemosaicMode < 0 || nDemosaicMode > 3)
        return CAM_ERR_BAD_WINDOW;
    m_nDemosaicMode = nDemosaicMode;
    m_nX = x;
    m_nY = y;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    const int nRingResult = AllocateRing(CRawGeometry::ForWindow(nWidth, nHeight), CAM_RING_SLOTS);

    const WORD nValues[] = {static_cast<WORD>(y + CAM_ROW_START_OFFSET), static_cast<WORD>(x + CAM_COLUMN_START_OFFSET),
                            static_cast<WORD>(y + nHeight + CAM_ROW_END_OFFSET), CAM_COLUMN_END_VALUE,
                            CAM_H_BLANK_VALUE, CAM_V_BLANK_VALUE};
    for (int i = 0; i < 6; ++i)
        WriteRegister(CAM_REG_ROW_START + i, nValues[i]);
    m_nBayerPhase = 2 * (x % 2) + (y % 2);
    return nRingResult == CAM_OK ? CAM_OK : CAM_ERR_NO_MEMORY;
}

int CCameraDevice::AllocateRing(const CRawGeometry& geometry, int nSlots)
{
    const CRawGeometry& g = geometry;
    if (g.m_nHTotal < 1 || g.m_nHEffective < 1 || g.m_nHTotal < g.m_nHStart + g.m_nHEffective)
        return CAM_ERR_RING_H;
    if (g.m_nVTotal < 1 || g.m_nVEffective < 1 || g.m_nVTotal < g.m_nVStart + g.m_nVEffective)
        return CAM_ERR_RING_V;
    if (nSlots < 2)
        return CAM_ERR_BAD_WINDOW;
    FreeRing();
    m_Geometry = geometry;
    m_Geometry.m_nTransferSize = geometry.TransferSize();
    const std::size_t nSlotBytes = 2 * static_cast<std::size_t>(m_Geometry.m_nTransferSize);
    for (int i = 0; i < nSlots; ++i) {
        std::unique_ptr<BYTE[]> pSlot(new (std::nothrow) BYTE[nSlotBytes]());
        if (!pSlot) {
            FreeRing();
            return CAM_ERR_NO_MEMORY;
        }
        m_Slots.push_back(std::move(pSlot));
    }
    m_SlotFailed.reset(new (std::nothrow) std::atomic<bool>[nSlots]());
    if (!m_SlotFailed) {
        FreeRing();
        return CAM_ERR_NO_MEMORY;
    }
    m_nBufferCount = nSlots;
    m_nSlotBytes = nSlotBytes;
    const CAM_MESSAGE command = CamBuildSetTransferSize(static_cast<DWORD>(m_Geometry.m_nTransferSize));
    SendCommandOnce(command.data(), command.size());
    return CAM_OK;
}

void CCameraDevice::FreeRing()
{
    m_Slots.clear();
    m_SlotFailed.reset();
    m_nBufferCount = 0;
    m_nSlotBytes = 0;
}

int CCameraDevice::SetDataWidth(BOOL bTenBit)
{
    // The frames of a running capture have the width it started with.
    if (IsCapturing())
        return FALSE;
    m_bTenBit = bTenBit ? 1 : 0;
    const CAM_MESSAGE command = CamBuildSetDataWidth(m_bTenBit);
    SendCommandOnce(command.data(), command.size());
    return TRUE;
}

int CCameraDevice::AskOnce(const BYTE* pCommand, std::size_t nCount, BYTE* pReply)
{
    const CDeviceHandle device = OpenDevice();
    if (!device.IsValid())
        return CAM_ERR_NO_HANDLE;
    // The camera answers the second reply read.
    int nResult = SendCommand(device, pCommand, nCount);
    if (nResult == CAM_OK)
        nResult = ReceiveReply(device, pReply);
    if (nResult == CAM_OK)
        nResult = ReceiveReply(device, pReply);
    if (nResult != CAM_OK)
        LogLine(ELogCategory::Camera, "command 0x%02X to %s not answered (%d)", pCommand[0], m_szDevicePath, nResult);
    return nResult;
}

BOOL CCameraDevice::GetHalfClock(BOOL* pbHalf)
{
    const BYTE nCommand = CAM_CMD_GET_HALF_CLOCK;
    BYTE reply[CAM_MESSAGE_SIZE];
    if (AskOnce(&nCommand, 1, reply) != CAM_OK)
        return FALSE;
    if (pbHalf != nullptr)
        *pbHalf = CamReplyHalfClock(reply) ? TRUE : FALSE;
    return TRUE;
}

BOOL CCameraDevice::SetHalfClock(BOOL bHalf)
{
    // The camera restarts into the full window, which a running capture cannot follow.
    if (IsCapturing())
        return FALSE;
    const CAM_MESSAGE command = CamBuildSetHalfClock(bHalf);
    const BOOL bOpened = SendCommandOnce(command.data(), command.size()) != CAM_ERR_NO_HANDLE;
    Initialize(m_nDeviceIndex);
    return bOpened;
}

BOOL CCameraDevice::WriteRegister(int nRegister, int nValue)
{
    const BYTE nNumber = static_cast<BYTE>(nRegister & 0xFF);
    if (!(CamRegisterAccess(nNumber) & CAM_REG_WRITABLE))
        return FALSE;
    const CAM_MESSAGE command = CamBuildWriteRegister(nNumber, static_cast<WORD>(nValue));
    return SendCommandOnce(command.data(), command.size()) == CAM_OK;
}

BOOL CCameraDevice::ReadRegister(int nRegister, WORD* pValue)
{
    const BYTE nNumber = static_cast<BYTE>(nRegister & 0xFF);
    if (!(CamRegisterAccess(nNumber) & CAM_REG_READABLE) || pValue == nullptr)
        return FALSE;
    *pValue = 0;
    const CAM_MESSAGE command = CamBuildReadRegister(nNumber);
    BYTE reply[CAM_MESSAGE_SIZE];
    if (AskOnce(command.data(), command.size(), reply) != CAM_OK)
        return FALSE;
    *pValue = CamReplyRegisterValue(reply);
    return TRUE;
}

BOOL CCameraDevice::SetGlobalGain(int nGain) { return WriteRegister(CAM_REG_GLOBAL_GAIN, nGain & 0x7F); }

int CCameraDevice::GetGlobalGain()
{
    WORD nValue = 0;
    ReadRegister(CAM_REG_GLOBAL_GAIN, &nValue);
    return nValue & 0x7F;
}

BOOL CCameraDevice::SetColorGain(int nRegister, int nGain)
{
    if (nRegister < CAM_REG_GAIN_BLUE || nRegister > CAM_REG_GAIN_RED)
        return FALSE;
    return WriteRegister(nRegister, nGain & 0xFF);
}

BOOL CCameraDevice::SetExposure(int nLines) { return WriteRegister(CAM_REG_EXPOSURE, nLines & 0x3FFF); }

BOOL CCameraDevice::GetExposure(WORD* pLines) { return ReadRegister(CAM_REG_EXPOSURE, pLines); }

int CCameraDevice::SetTriggerMode(int) { return CAM_OK; }

BOOL CCameraDevice::SetOutputMode(int nMode)
{
    WORD nValue = 0;
    ReadRegister(CAM_REG_OUTPUT_MODE, &nValue);
    const int nBits = (nValue & 0xFFF8) | (nMode == 1 ? 2 : 5);
    return WriteRegister(CAM_REG_OUTPUT_MODE, nBits);
}
