// CUsbHotplug: hot-plug of USB cameras. A USB library reports arrivals and departures from
// its own thread; they are carried out in order on a thread of their own through the plug
// and play manager (arrival: AddDevice and start; departure: surprise removal).
#pragma once

#include "driver/pnp_manager.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Where arriving devices come from. A device is named by a key that the source chooses and
// that stays unique until ReleaseDevice; the source keeps whatever the key stands for alive
// until then. Called on the hot-plug thread only.
class IUsbDeviceSource {
public:
    // The bus interface of a device that has arrived, or null when it cannot be opened.
    virtual std::unique_ptr<IUsbBus> OpenDevice(std::uintptr_t nKey) = 0;
    // The key is not used any more: the device could not be opened, was not added, or has
    // been removed.
    virtual void ReleaseDevice(std::uintptr_t nKey) = 0;

protected:
    ~IUsbDeviceSource() = default;
};

// One device the driver has.
struct USB_HOTPLUG_DEVICE {
    ULONG nNode;           // the plug and play manager's name for it
    NTSTATUS nStartStatus; // a device whose start failed stays added (it cannot be opened)
};

// The manager and the source must outlive the object. DeviceArrived and DeviceLeft only
// queue and may be called from any thread, a USB library's event thread included.
class CUsbHotplug {
public:
    CUsbHotplug(CPnpManager& pnp, IUsbDeviceSource& source);
    // Drops the events not yet carried out (their keys are released), ends the thread, then
    // removes the devices still present (orderly) and releases their keys.
    ~CUsbHotplug();
    CUsbHotplug(const CUsbHotplug&) = delete;
    CUsbHotplug& operator=(const CUsbHotplug&) = delete;

    void DeviceArrived(std::uintptr_t nKey);
    void DeviceLeft(std::uintptr_t nKey);

    // Waits until every event queued before the call has been carried out.
    void WaitUntilIdle();
    std::vector<USB_HOTPLUG_DEVICE> GetDevices() const;

private:
    struct EVENT {
        bool bArrived;
        std::uintptr_t nKey;
    };
    struct PRESENT {
        USB_HOTPLUG_DEVICE Device;
        std::unique_ptr<IUsbBus> pBus; // outlives the device's removal
    };
    void Arrive(std::uintptr_t nKey);
    void Leave(std::uintptr_t nKey);
    void Thread();

    CPnpManager& m_Pnp;
    IUsbDeviceSource& m_Source;

    mutable std::mutex m_Mutex; // guards the members below; any thread
    std::condition_variable m_Changed; // events queued or carried out, shutdown
    std::deque<EVENT> m_Events;
    std::uint64_t m_nQueued = 0; // events queued so far
    std::uint64_t m_nDone = 0;   // events carried out (or dropped) so far
    bool m_bShutdown = false;
    std::map<std::uintptr_t, PRESENT> m_Present; // changed by the hot-plug thread only

    std::thread m_Thread; // last: starts when everything else exists
};
