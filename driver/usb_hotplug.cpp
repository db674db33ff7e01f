#include "driver/usb_hotplug.h"

#include "platform/log.h"

CUsbHotplug::CUsbHotplug(CPnpManager& pnp, IUsbDeviceSource& source) : m_Pnp(pnp), m_Source(source)
{
    m_Thread = std::thread(&CUsbHotplug::Thread, this);
}

CUsbHotplug::~CUsbHotplug()
{
    std::deque<EVENT> dropped;
    {
        std::lock_guard lock(m_Mutex);
        m_bShutdown = true;
        dropped.swap(m_Events);
        m_nDone += dropped.size();
        m_Changed.notify_all();
    }
    m_Thread.join();
    for (const EVENT& event : dropped)
        if (event.bArrived)
            m_Source.ReleaseDevice(event.nKey);

    std::map<std::uintptr_t, PRESENT> present;
    {
        std::lock_guard lock(m_Mutex);
        present.swap(m_Present);
    }
    for (auto& [nKey, device] : present) {
        m_Pnp.RemoveDevice(device.Device.nNode);
        device.pBus.reset();
        m_Source.ReleaseDevice(nKey);
    }
}

void CUsbHotplug::DeviceArrived(std::uintptr_t nKey)
{
    std::lock_guard lock(m_Mutex);
    m_Events.push_back({true, nKey});
    ++m_nQueued;
    m_Changed.notify_all();
}

void CUsbHotplug::DeviceLeft(std::uintptr_t nKey)
{
    std::lock_guard lock(m_Mutex);
    m_Events.push_back({false, nKey});
    ++m_nQueued;
    m_Changed.notify_all();
}

void CUsbHotplug::WaitUntilIdle()
{
    std::unique_lock lock(m_Mutex);
    const std::uint64_t nTarget = m_nQueued;
    m_Changed.wait(lock, [&] { return m_nDone >= nTarget; });
}

std::vector<USB_HOTPLUG_DEVICE> CUsbHotplug::GetDevices() const
{
    std::lock_guard lock(m_Mutex);
    std::vector<USB_HOTPLUG_DEVICE> devices;
    for (const auto& [nKey, present] : m_Present)
        devices.push_back(present.Device);
    return devices;
}

void CUsbHotplug::Arrive(std::uintptr_t nKey)
{
    bool bKnown = false;
    {
        std::lock_guard lock(m_Mutex);
        bKnown = m_Present.count(nKey) != 0;
    }
    if (bKnown) { // reported twice: the first report holds the key
        m_Source.ReleaseDevice(nKey);
        return;
    }
    std::unique_ptr<IUsbBus> pBus = m_Source.OpenDevice(nKey); // a failure is the source's to log
    ULONG nNode = 0;
    const NTSTATUS nAddStatus = pBus ? m_Pnp.AddDevice(*pBus, &nNode) : STATUS_UNSUCCESSFUL;
    if (!NT_SUCCESS(nAddStatus)) {
        if (pBus)
            LogLine(ELogCategory::Usb, "camera not added to the driver: 0x%08X", static_cast<unsigned>(nAddStatus));
        m_Source.ReleaseDevice(nKey);
        return;
    }
    const NTSTATUS nStartStatus = m_Pnp.StartDevice(nNode);
    if (!NT_SUCCESS(nStartStatus))
        LogLine(ELogCategory::Usb, "camera node %u did not start: 0x%08X", static_cast<unsigned>(nNode),
                static_cast<unsigned>(nStartStatus));
    std::lock_guard lock(m_Mutex);
    m_Present.emplace(nKey, PRESENT{{nNode, nStartStatus}, std::move(pBus)});
}

void CUsbHotplug::Leave(std::uintptr_t nKey)
{
    PRESENT device;
    {
        std::lock_guard lock(m_Mutex);
        auto it = m_Present.find(nKey);
        if (it == m_Present.end())
            return; // never added, or already gone
        device = std::move(it->second);
        m_Present.erase(it);
    }
    m_Pnp.SurpriseRemoveDevice(device.Device.nNode);
    device.pBus.reset();
    m_Source.ReleaseDevice(nKey);
}

void CUsbHotplug::Thread()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_bShutdown || !m_Events.empty(); });
        if (m_bShutdown)
            return;
        const EVENT event = m_Events.front();
        m_Events.pop_front();
        // The manager's requests take long (a start downloads the firmware): no lock held,
        // so that the USB library's thread can go on queueing.
        lock.unlock();
        if (event.bArrived)
            Arrive(event.nKey);
        else
            Leave(event.nKey);
        lock.lock();
        ++m_nDone;
        m_Changed.notify_all();
    }
}
