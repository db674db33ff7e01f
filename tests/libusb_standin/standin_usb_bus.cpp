#include "tests/libusb_standin/standin_state.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

// The bus that libusb_init attaches new contexts to. libusb's own entry points take no bus,
// so this one slot is where a test's bus and the contexts the back end creates meet.
struct CURRENT_BUS {
    std::mutex Mutex;
    std::weak_ptr<CStandinUsbBus::CState> pBus;
};
CURRENT_BUS& CurrentBus()
{
    static CURRENT_BUS current;
    return current;
}

thread_local bool t_bHandlingEvents = false;

} // namespace

std::shared_ptr<CStandinUsbBus::CState> StandinCurrentBus()
{
    std::lock_guard lock(CurrentBus().Mutex);
    return CurrentBus().pBus.lock();
}

void StandinSetEventThread(bool bHandling) { t_bHandlingEvents = bHandling; }
bool StandinIsEventThread() { return t_bHandlingEvents; }

void CStandinUsbBus::CState::Misuse(const std::string& szWhat)
{
    std::fprintf(stderr, "libusb stand-in: misuse: %s\n", szWhat.c_str());
    for (const std::string& szKnown : Misuses)
        if (szKnown == szWhat)
            return;
    Misuses.push_back(szWhat);
}

bool StandinHotplugMatches(const STANDIN_HOTPLUG_CALLBACK& callback, const libusb_device* pDevice,
                           libusb_hotplug_event event)
{
    const libusb_device_descriptor& descriptor = pDevice->pPort->Descriptor;
    return (callback.nEvents & event) != 0 &&
           (callback.nVendorId == LIBUSB_HOTPLUG_MATCH_ANY || callback.nVendorId == descriptor.idVendor) &&
           (callback.nProductId == LIBUSB_HOTPLUG_MATCH_ANY || callback.nProductId == descriptor.idProduct) &&
           (callback.nClass == LIBUSB_HOTPLUG_MATCH_ANY || callback.nClass == descriptor.bDeviceClass);
}

void StandinUnrefLocked(libusb_device* pDevice)
{
    if (--pDevice->nRefs == 0)
        pDevice->pContext->Devices.erase(pDevice);
}

void StandinAttachLocked(libusb_context* pContext, const std::shared_ptr<STANDIN_PORT>& pPort)
{
    std::lock_guard lock(pContext->Mutex);
    auto pDevice = std::make_unique<libusb_device>();
    pDevice->pContext = pContext;
    pDevice->pPort = pPort;
    libusb_device* pRaw = pDevice.get();
    pContext->Devices.emplace(pRaw, std::move(pDevice));
    pContext->Attached[pPort->nPort] = pRaw;
    if (!pContext->Callbacks.empty()) {
        ++pRaw->nRefs;
        pContext->HotplugEvents.push_back({pRaw, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED});
        ++pContext->pBus->nHotplugQueued;
        pContext->Changed.notify_all();
    }
}

void StandinDetachLocked(libusb_context* pContext, unsigned nPort)
{
    std::lock_guard lock(pContext->Mutex);
    auto it = pContext->Attached.find(nPort);
    if (it == pContext->Attached.end())
        return;
    libusb_device* pDevice = it->second;
    pContext->Attached.erase(it);
    if (!pContext->Callbacks.empty()) {
        pContext->HotplugEvents.push_back({pDevice, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT}); // takes the reference
        ++pContext->pBus->nHotplugQueued;
        pContext->Changed.notify_all();
    } else {
        StandinUnrefLocked(pDevice);
    }
}

CStandinUsbBus::CStandinUsbBus() : m_pState(std::make_shared<CState>())
{
    std::lock_guard lock(CurrentBus().Mutex);
    CurrentBus().pBus = m_pState;
}

CStandinUsbBus::~CStandinUsbBus()
{
    std::vector<unsigned> plugged;
    {
        std::lock_guard lock(m_pState->Mutex);
        for (const auto& [nPort, pPort] : m_pState->Ports)
            if (!pPort->bGone)
                plugged.push_back(nPort);
    }
    for (unsigned nPort : plugged)
        Unplug(nPort);
    std::lock_guard lock(CurrentBus().Mutex);
    if (CurrentBus().pBus.lock() == m_pState)
        CurrentBus().pBus.reset();
}

unsigned CStandinUsbBus::Plug(const STANDIN_DEVICE_OPTIONS& options)
{
    auto pPort = std::make_shared<STANDIN_PORT>();
    pPort->pCamera = std::make_unique<CSimCamera>(options.Camera);
    pPort->bNoAccess = options.bNoAccess;
    BYTE bytes[sizeof(libusb_device_descriptor)] = {};
    DWORD nCopied = 0;
    pPort->pCamera->GetDescriptor(LIBUSB_DT_DEVICE, 0, 0, bytes, LIBUSB_DT_DEVICE_SIZE, &nCopied);
    libusb_device_descriptor& descriptor = pPort->Descriptor;
    static_assert(sizeof descriptor == LIBUSB_DT_DEVICE_SIZE, "the descriptor's wire layout");
    std::memcpy(&descriptor, bytes, LIBUSB_DT_DEVICE_SIZE); // little-endian, as the wire
    descriptor.idVendor = options.nVendorId;
    descriptor.idProduct = options.nProductId;

    std::lock_guard lock(m_pState->Mutex);
    pPort->nPort = m_pState->nNextPort++;
    pPort->nAddress = static_cast<std::uint8_t>(1 + pPort->nPort % 127);
    m_pState->Ports.emplace(pPort->nPort, pPort);
    for (const auto& [pContext, pOwned] : m_pState->Contexts)
        StandinAttachLocked(pContext, pPort);
    return pPort->nPort;
}

CSimCamera& CStandinUsbBus::Camera(unsigned nPort) const
{
    std::lock_guard lock(m_pState->Mutex);
    return *m_pState->Ports.at(nPort)->pCamera;
}

bool CStandinUsbBus::IsPlugged(unsigned nPort) const
{
    std::lock_guard lock(m_pState->Mutex);
    auto it = m_pState->Ports.find(nPort);
    return it != m_pState->Ports.end() && !it->second->bGone;
}

void CStandinUsbBus::Unplug(unsigned nPort)
{
    std::shared_ptr<STANDIN_PORT> pPort;
    {
        std::lock_guard lock(m_pState->Mutex);
        auto it = m_pState->Ports.find(nPort);
        if (it == m_pState->Ports.end() || it->second->bGone.exchange(true))
            return;
        pPort = it->second;
    }
    // As the kernel does: the transfers fail first, then the departure is announced.
    pPort->pCamera->Unplug();
    std::lock_guard lock(m_pState->Mutex);
    for (const auto& [pContext, pOwned] : m_pState->Contexts)
        StandinDetachLocked(pContext, nPort);
}

bool CStandinUsbBus::WaitForHotplugDelivery(unsigned nMilliseconds)
{
    std::unique_lock lock(m_pState->Mutex);
    const std::size_t nTarget = m_pState->nHotplugQueued;
    return m_pState->HotplugDelivered.wait_for(lock, std::chrono::milliseconds(nMilliseconds),
                                               [&] { return m_pState->nHotplugDelivered >= nTarget; });
}

void CStandinUsbBus::SetHotplugCapability(bool bHotplug)
{
    std::lock_guard lock(m_pState->Mutex);
    m_pState->bHotplugCapability = bHotplug;
}

STANDIN_STATS CStandinUsbBus::GetStats() const
{
    STANDIN_STATS stats;
    std::lock_guard lock(m_pState->Mutex);
    stats.nContexts = m_pState->Contexts.size();
    stats.nCallbacks = m_pState->nCallbacks;
    for (const auto& [pContext, pOwned] : m_pState->Contexts) {
        std::lock_guard contextLock(pContext->Mutex);
        stats.nDevices += pContext->Devices.size();
        stats.nOpenHandles += pContext->Handles.size();
        stats.nTransfersInFlight += pContext->InFlight.size();
    }
    stats.nTransfers = StandinTransfersAllocated();
    return stats;
}

std::vector<std::string> CStandinUsbBus::TakeMisuses()
{
    std::lock_guard lock(m_pState->Mutex);
    std::vector<std::string> misuses;
    misuses.swap(m_pState->Misuses);
    return misuses;
}
