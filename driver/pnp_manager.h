// The plug and play manager for USB devices driven by one function driver: loads the driver,
// and adds, starts, stops and removes devices as their USB connections come and go.
#pragma once

#include "driver/kernel/ks_device.h"
#include "driver/usb_bus.h"

#include <map>
#include <mutex>

// Operations on one device are serialised; they may come from any thread. The device
// namespace must outlive the manager, and every IUsbBus added must stay valid until its
// device has been removed. The destructor removes the devices still present and unloads
// the driver; handles still open on them then answer as handles on removed devices.
class CPnpManager {
public:
    // Loads the function driver by calling its entry point.
    CPnpManager(CDeviceNamespace& devices, PDRIVER_INITIALIZE pfnDriverEntry);
    ~CPnpManager();
    CPnpManager(const CPnpManager&) = delete;
    CPnpManager& operator=(const CPnpManager&) = delete;

    // What the driver's entry point answered; when it failed no device can be added.
    NTSTATUS GetDriverStatus() const { return m_nDriverStatus; }

    // A new device on the bus: creates its physical device object and calls the driver's
    // AddDevice. On success *pnNode names the device for the calls below.
    NTSTATUS AddDevice(IUsbBus& bus, ULONG* pnNode);
    NTSTATUS StartDevice(ULONG nNode);
    NTSTATUS StopDevice(ULONG nNode);
    // Orderly removal; the node is gone afterwards.
    NTSTATUS RemoveDevice(ULONG nNode);
    // The device vanished without warning: the surprise-removal request, then the removal.
    NTSTATUS SurpriseRemoveDevice(ULONG nNode);
    NTSTATUS QueryCapabilities(ULONG nNode, DEVICE_CAPABILITIES* pCapabilities);
    NTSTATUS SetDevicePower(ULONG nNode, DEVICE_POWER_STATE state);

    CKsKernel& GetKernel() { return m_Kernel; }

private:
    NTSTATUS SendRequest(DEVICE_OBJECT* pPdo, UCHAR nMajor, UCHAR nMinor, DEVICE_CAPABILITIES* pCapabilities,
                         DEVICE_POWER_STATE powerState);
    NTSTATUS RemoveLocked(ULONG nNode);
    DEVICE_OBJECT* FindLocked(ULONG nNode) const;

    CKsKernel m_Kernel;
    std::shared_ptr<DRIVER_OBJECT> m_pBusDriver;
    std::shared_ptr<DRIVER_OBJECT> m_pFunctionDriver;
    NTSTATUS m_nDriverStatus = STATUS_UNSUCCESSFUL;

    std::mutex m_Mutex; // serialises the operations; guards m_Nodes and m_nNextNode
    std::map<ULONG, DEVICE_OBJECT*> m_Nodes; // node -> physical device object
    ULONG m_nNextNode = 1;
};
