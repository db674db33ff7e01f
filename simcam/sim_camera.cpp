#include "simcam/sim_camera.h"

#include "simcam/sim_usb_descriptors.h"

#include <algorithm>

namespace {
constexpr std::size_t kMaxQueued = 16;
constexpr std::size_t kMaxEvents = 4096;
} // namespace

CSimCamera::CSimCamera(const SIM_CAMERA_OPTIONS& options)
    : m_Options(options),
      m_tPowerOn(Clock::now()),
      m_Iso(SIM_EP_ISO_IN, SIM_EP_ISO_OUT, SIM_ISO_MAX_PACKET),
      m_Renderer(options.nNoiseSeed)
{
    m_Queued.reserve(kMaxQueued);
    m_Events.reserve(kMaxEvents);
    m_Renderer.SetScene(options.pScene ? *options.pScene : *SimRenderScene(CSimMicrometerScene()));
    m_FrameThread = std::thread(&CSimCamera::FrameThread, this);
}

CSimCamera::~CSimCamera()
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        m_bShutdown = true;
        queued = TakeQueuedLocked();
        m_Changed.notify_all();
    }
    EndTransfers(queued, USBD_STATUS_CANCELED);
    m_FrameThread.join();
}

void CSimCamera::LogLocked(SIM_EVENT event)
{
    if (m_Events.size() < kMaxEvents)
        m_Events.push_back(event);
}

std::vector<CSimCamera::QUEUED_TRANSFER> CSimCamera::TakeQueuedLocked()
{
    std::vector<QUEUED_TRANSFER> queued;
    queued.swap(m_Queued);
    m_Queued.reserve(kMaxQueued);
    return queued;
}

void CSimCamera::EndTransfers(const std::vector<QUEUED_TRANSFER>& transfers, USBD_STATUS status)
{
    for (const QUEUED_TRANSFER& t : transfers)
        t.pfnDone(t.pKey, t.pContext, status, 0);
}

USBD_STATUS CSimCamera::GetDescriptor(BYTE nType, BYTE nIndex, WORD nLanguage, BYTE* pBuffer, DWORD nLength,
                                      DWORD* pnCopied)
{
    *pnCopied = 0;
    std::lock_guard lock(m_Mutex);
    if (m_bUnplugged)
        return USBD_STATUS_DEVICE_GONE;
    return SimGetDescriptor(nType, nIndex, nLanguage, m_Options.nSerial, pBuffer, nLength, pnCopied)
               ? USBD_STATUS_SUCCESS
               : USBD_STATUS_STALL_PID;
}

USBD_STATUS CSimCamera::SetConfiguration(BYTE nValue)
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        if (m_bUnplugged)
            return USBD_STATUS_DEVICE_GONE;
        if (nValue != 0 && nValue != SIM_CONFIGURATION_VALUE)
            return USBD_STATUS_STALL_PID;
        m_nConfiguration = nValue;
        m_nAlternateSetting = 0;
        if (nValue == 0)
            queued = TakeQueuedLocked(); // the endpoints are gone
    }
    m_Iso.SetActive(false); // setting 0 has no isochronous endpoints
    EndTransfers(queued, USBD_STATUS_CANCELED);
    return USBD_STATUS_SUCCESS;
}

BYTE CSimCamera::GetConfiguration() const
{
    std::lock_guard lock(m_Mutex);
    return m_nConfiguration;
}

USBD_STATUS CSimCamera::SetInterface(BYTE nInterface, BYTE nAlternate)
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        if (m_bUnplugged)
            return USBD_STATUS_DEVICE_GONE;
        if (m_nConfiguration == 0 || nInterface != 0 || nAlternate > SIM_ISO_ALTERNATE_SETTING)
            return USBD_STATUS_STALL_PID;
        m_nAlternateSetting = nAlternate;
        if (nAlternate != 0)
            queued = TakeQueuedLocked(); // the image endpoint is not part of setting 1
    }
    m_Iso.SetActive(nAlternate == SIM_ISO_ALTERNATE_SETTING);
    EndTransfers(queued, USBD_STATUS_CANCELED);
    return USBD_STATUS_SUCCESS;
}

BYTE CSimCamera::GetAlternateSetting() const
{
    std::lock_guard lock(m_Mutex);
    return m_nAlternateSetting;
}

USBD_STATUS CSimCamera::VendorRequest(BYTE nRequest, WORD nValue, WORD, bool bIn, BYTE* pData, DWORD nLength,
                                      DWORD* pnMoved)
{
    *pnMoved = 0;
    std::lock_guard lock(m_Mutex);
    if (m_bUnplugged)
        return USBD_STATUS_DEVICE_GONE;
    LogLocked({SIM_EVENT_KIND::VendorRequest, nRequest, nValue, nLength});
    USBD_STATUS status = m_Mcu.VendorRequest(nRequest, nValue, bIn, pData, nLength, pnMoved);
    if (m_Mcu.TakeFirmwareStarted()) {
        m_Firmware.PowerOn();
        m_tNextFrame = {};
        m_Changed.notify_all();
    }
    return status;
}

USBD_STATUS CSimCamera::SetFeature(WORD nSelector, WORD)
{
    std::lock_guard lock(m_Mutex);
    if (m_bUnplugged)
        return USBD_STATUS_DEVICE_GONE;
    // Remote wake-up (1) and test mode (2) are the device features.
    return (nSelector == 1 || nSelector == 2) ? USBD_STATUS_SUCCESS : USBD_STATUS_STALL_PID;
}

ULONG CSimCamera::GetFrameNumber() const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_tPowerOn);
    return static_cast<ULONG>(elapsed.count()) + 1;
}

USBD_STATUS CSimCamera::BulkTransfer(BYTE nEndpoint, BYTE* pBuffer, DWORD nLength, DWORD* pnMoved,
                                     PSIM_TRANSFER_DONE pfnDone, void* pKey, void* pContext)
{
    *pnMoved = 0;
    std::unique_lock lock(m_Mutex);
    if (nEndpoint == SIM_EP_COMMAND && m_bHoldCommands) {
        ++m_nHeldCommands;
        m_Changed.notify_all();
        m_Changed.wait(lock, [this] { return !m_bHoldCommands || m_bUnplugged || m_bShutdown; });
        --m_nHeldCommands;
    }
    if (m_bUnplugged || m_bShutdown)
        return USBD_STATUS_DEVICE_GONE;
    if (m_nConfiguration == 0)
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    if (!IsFirmwareRunningLocked())
        return USBD_STATUS_STALL_PID; // without its firmware the camera answers nothing
    switch (nEndpoint) {
    case SIM_EP_COMMAND:
        if (nLength > 0) {
            m_Firmware.OnCommand(pBuffer, nLength);
            ++m_Stats.nCommands;
            ++m_Stats.CommandsByCode[pBuffer[0]];
            LogLocked({SIM_EVENT_KIND::Command, pBuffer[0], 0, nLength});
            m_Changed.notify_all();
        }
        *pnMoved = nLength;
        return USBD_STATUS_SUCCESS;
    case SIM_EP_REPLY: {
        const CAM_MESSAGE& reply = m_Firmware.GetReply();
        *pnMoved = std::min<DWORD>(nLength, static_cast<DWORD>(reply.size()));
        std::copy_n(reply.begin(), *pnMoved, pBuffer);
        ++m_Stats.nReplyReads;
        return USBD_STATUS_SUCCESS;
    }
    case SIM_EP_IMAGE:
        if (m_nAlternateSetting != 0)
            return USBD_STATUS_STALL_PID;
        if (m_Queued.size() >= kMaxQueued)
            return USBD_STATUS_INSUFFICIENT_RESOURCES;
        m_Queued.push_back({pBuffer, nLength, pfnDone, pKey, pContext});
        LogLocked({SIM_EVENT_KIND::ImageTransferQueued, 0, 0, nLength});
        m_Changed.notify_all();
        return USBD_STATUS_PENDING;
    default:
        return USBD_STATUS_STALL_PID;
    }
}

USBD_STATUS CSimCamera::IsoTransfer(BYTE nEndpoint, BYTE* pBuffer, USBD_ISO_PACKET_DESCRIPTOR* pPackets,
                                    ULONG nPackets, PSIM_TRANSFER_DONE pfnDone, void* pKey, void* pContext)
{
    return m_Iso.Queue(nEndpoint, pBuffer, pPackets, nPackets, pfnDone, pKey, pContext);
}

void CSimCamera::CancelTransfer(void* pKey)
{
    QUEUED_TRANSFER transfer{};
    {
        std::unique_lock lock(m_Mutex);
        auto it = std::find_if(m_Queued.begin(), m_Queued.end(), [pKey](const auto& t) { return t.pKey == pKey; });
        if (it == m_Queued.end()) {
            lock.unlock();
            m_Iso.Cancel(pKey); // when it is an isochronous transfer
            return;
        }
        transfer = *it;
        m_Queued.erase(it);
        ++m_Stats.nImageTransfersCancelled;
        m_Changed.notify_all();
    }
    transfer.pfnDone(transfer.pKey, transfer.pContext, USBD_STATUS_CANCELED, 0);
}

void CSimCamera::AbortEndpoint(BYTE nEndpoint)
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        ++m_Stats.nPipeAborts;
        if (nEndpoint == SIM_EP_IMAGE) {
            queued = TakeQueuedLocked();
            m_Stats.nImageTransfersCancelled += static_cast<DWORD>(queued.size());
            m_Changed.notify_all();
        }
    }
    if (m_Iso.IsIsochronousEndpoint(nEndpoint))
        m_Iso.Abort(nEndpoint);
    EndTransfers(queued, USBD_STATUS_CANCELED);
}

void CSimCamera::ResetPort()
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        ++m_Stats.nPortResets;
        queued = TakeQueuedLocked();
        m_Changed.notify_all();
    }
    m_Iso.Abort(0);
    EndTransfers(queued, USBD_STATUS_CANCELED);
}

void CSimCamera::Unplug()
{
    std::vector<QUEUED_TRANSFER> queued;
    {
        std::lock_guard lock(m_Mutex);
        m_bUnplugged = true;
        queued = TakeQueuedLocked();
        m_Changed.notify_all();
    }
    m_Iso.Unplug();
    EndTransfers(queued, USBD_STATUS_DEVICE_GONE);
}

bool CSimCamera::IsUnplugged() const
{
    std::lock_guard lock(m_Mutex);
    return m_bUnplugged;
}

void CSimCamera::SetStall(bool bStall)
{
    std::lock_guard lock(m_Mutex);
    m_bStall = bStall;
    m_Changed.notify_all();
}

void CSimCamera::SetShortFrame(DWORD nBytes)
{
    std::lock_guard lock(m_Mutex);
    m_nShortFrameBytes = nBytes;
}

void CSimCamera::SetNoFirmware(bool bNoFirmware)
{
    std::lock_guard lock(m_Mutex);
    m_Mcu.SetNoFirmware(bNoFirmware);
}

void CSimCamera::HoldCommands(bool bHold)
{
    std::lock_guard lock(m_Mutex);
    m_bHoldCommands = bHold;
    m_Changed.notify_all();
}

bool CSimCamera::WaitForHeldCommand(DWORD nMilliseconds)
{
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, std::chrono::milliseconds(nMilliseconds), [this] { return m_nHeldCommands > 0; });
}

void CSimCamera::SetScene(std::shared_ptr<const CSimRadiance> pScene)
{
    std::lock_guard lock(m_Mutex);
    m_pNewScene = std::move(pScene);
}

SIM_CAMERA_STATS CSimCamera::GetStats() const
{
    std::lock_guard lock(m_Mutex);
    SIM_CAMERA_STATS stats = m_Stats;
    stats.nFirmwareRecords = m_Mcu.GetRecordsReceived();
    stats.nFirmwareBytes = m_Mcu.GetBytesReceived();
    return stats;
}

std::vector<SIM_EVENT> CSimCamera::TakeEvents()
{
    std::lock_guard lock(m_Mutex);
    std::vector<SIM_EVENT> events(m_Events.begin(), m_Events.end());
    m_Events.clear();
    return events;
}

WORD CSimCamera::PeekRegister(BYTE nRegister) const
{
    std::lock_guard lock(m_Mutex);
    return m_Firmware.Registers().Peek(nRegister);
}

SIM_PROGRAM CSimCamera::GetProgram() const
{
    std::lock_guard lock(m_Mutex);
    return m_Mcu.GetProgram();
}

bool CSimCamera::IsHalfClock() const
{
    std::lock_guard lock(m_Mutex);
    return m_Firmware.IsHalfClock();
}

double CSimCamera::GetFrameRate() const
{
    std::lock_guard lock(m_Mutex);
    return 1.0 / SimFramePeriodSeconds(m_Firmware.GetFrameSettings());
}

bool CSimCamera::IsFrameWantedLocked() const
{
    return !m_bUnplugged && !m_bStall && m_nConfiguration != 0 && IsFirmwareRunningLocked() &&
           m_Firmware.IsFrameArmed() && !m_Queued.empty();
}

CSimCamera::Clock::time_point CSimCamera::NextFrameDueLocked(Clock::time_point now)
{
    // The sensor runs freely; a frame is due at the end of each frame period.
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(SimFramePeriodSeconds(m_Firmware.GetFrameSettings())));
    if (m_tNextFrame == Clock::time_point{})
        m_tNextFrame = now + period;
    else if (m_tNextFrame < now)
        m_tNextFrame += period * ((now - m_tNextFrame) / period + 1);
    return m_tNextFrame;
}

void CSimCamera::FrameThread()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_bShutdown || IsFrameWantedLocked(); });
        if (m_bShutdown)
            return;
        const auto due = m_Options.bPaced ? NextFrameDueLocked(Clock::now()) : Clock::now();
        // Sleep until the frame is due; wake early only when it is no longer wanted.
        if (m_Changed.wait_until(lock, due, [this] { return m_bShutdown || !IsFrameWantedLocked(); }))
            continue;

        const QUEUED_TRANSFER transfer = m_Queued.front();
        m_Queued.erase(m_Queued.begin());
        m_Firmware.DisarmFrame();
        const SIM_FRAME_SETTINGS settings = m_Firmware.GetFrameSettings();
        const DWORD nShort = m_nShortFrameBytes;
        std::shared_ptr<const CSimRadiance> pScene = std::move(m_pNewScene);
        m_pNewScene.reset();
        if (m_Options.bPaced)
            m_tNextFrame = due + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(SimFramePeriodSeconds(settings)));
        lock.unlock();

        // The transfer is out of the queue, so nobody else touches its buffer now.
        if (pScene)
            m_Renderer.SetScene(*pScene);
        DWORD nBytes = m_Renderer.Render(settings, transfer.pBuffer, transfer.nLength);
        if (nShort && nShort < nBytes)
            nBytes = nShort;

        lock.lock();
        USBD_STATUS status = USBD_STATUS_SUCCESS;
        if (m_bUnplugged) {
            status = USBD_STATUS_DEVICE_GONE;
            nBytes = 0;
        } else {
            ++m_Stats.nFramesDelivered;
            if (nShort)
                ++m_Stats.nShortFrames;
            LogLocked({SIM_EVENT_KIND::FrameDelivered, 0, 0, nBytes});
        }
        lock.unlock();
        transfer.pfnDone(transfer.pKey, transfer.pContext, status, nBytes);
        lock.lock();
    }
}
