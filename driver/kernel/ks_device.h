// Driver objects and device objects: dispatch tables, named devices, symbolic links, device
// stacks, and the bridge that lets the device namespace send requests to a device object.
#pragma once

#include "driver/kernel/ks_irp.h"
#include "driver/kernel/ks_pool.h"
#include "platform/devio.h"

#include <memory>
#include <mutex>
#include <vector>

struct DRIVER_OBJECT;

// The kernel a driver runs in: the device namespace its names go into, and the pool.
struct CKsKernel {
    explicit CKsKernel(CDeviceNamespace& devices) : Devices(devices) {}
    CDeviceNamespace& Devices;
    CKsPool Pool;
};

using PDRIVER_DISPATCH = NTSTATUS (*)(DEVICE_OBJECT* pDeviceObject, IRP* pIrp);
using PDRIVER_ADD_DEVICE = NTSTATUS (*)(DRIVER_OBJECT* pDriverObject, DEVICE_OBJECT* pPhysicalDeviceObject);
using PDRIVER_UNLOAD = void (*)(DRIVER_OBJECT* pDriverObject);
using PDRIVER_INITIALIZE = NTSTATUS (*)(DRIVER_OBJECT* pDriverObject, const UNICODE_STRING* pRegistryPath);

struct DRIVER_EXTENSION {
    PDRIVER_ADD_DEVICE AddDevice = nullptr;
};

// A loaded driver, always owned by shared pointers (its loader's and one per device object),
// so that a handle that outlives its device's removal can still be answered.
struct DRIVER_OBJECT : std::enable_shared_from_this<DRIVER_OBJECT> {
    explicit DRIVER_OBJECT(CKsKernel& kernel);
    DRIVER_OBJECT(const DRIVER_OBJECT&) = delete;
    DRIVER_OBJECT& operator=(const DRIVER_OBJECT&) = delete;

    CKsKernel* Kernel;
    PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
    PDRIVER_UNLOAD DriverUnload = nullptr;
    DRIVER_EXTENSION DriverExtension_;
    DRIVER_EXTENSION* DriverExtension = &DriverExtension_;

    // Driver-wide data (IoAllocateDriverObjectExtension).
    std::shared_ptr<void> ClientExtension;
    // Device objects of this driver not yet deleted; guarded by DeviceListMutex.
    std::mutex DeviceListMutex;
    std::vector<std::shared_ptr<DEVICE_OBJECT>> DeviceList;
};

// Answers STATUS_INVALID_DEVICE_REQUEST: the entry of every function a driver leaves unset.
NTSTATUS IoInvalidDeviceRequest(DEVICE_OBJECT* pDeviceObject, IRP* pIrp);

constexpr ULONG DO_BUFFERED_IO = 0x00000004;
constexpr ULONG DO_DIRECT_IO = 0x00000010;
constexpr ULONG DO_DEVICE_INITIALIZING = 0x00000080;
constexpr ULONG DO_POWER_PAGABLE = 0x00002000;

// A device object. Requests from the namespace arrive through DispatchRequest, which builds
// the request packet on the stack and calls the driver's dispatch routine.
class DEVICE_OBJECT final : public IDevioDevice {
public:
    DEVICE_OBJECT(std::shared_ptr<DRIVER_OBJECT> pDriver, std::shared_ptr<void> pExtension, ULONG nDeviceType);
    ~DEVICE_OBJECT();
    DEVICE_OBJECT(const DEVICE_OBJECT&) = delete;
    DEVICE_OBJECT& operator=(const DEVICE_OBJECT&) = delete;

    NTSTATUS DispatchRequest(DEVIO_REQUEST& request) override;

    DRIVER_OBJECT* DriverObject;
    PVOID DeviceExtension;
    ULONG DeviceType;
    std::atomic<ULONG> Flags{DO_DEVICE_INITIALIZING};
    CHAR StackSize = 1;
    DEVICE_OBJECT* AttachedDevice = nullptr; // the device above this one in its stack
    std::string Name;                        // "" for an unnamed device

private:
    std::shared_ptr<DRIVER_OBJECT> m_pDriver;
    std::shared_ptr<void> m_pExtension;
};

// Creates a device object with a value-initialised extension of type TExtension and, when
// szName is given, enters the name into the namespace (STATUS_OBJECT_NAME_COLLISION when
// taken). The driver object keeps the device until IoDeleteDevice.
NTSTATUS IoCreateDeviceObject(DRIVER_OBJECT* pDriver, std::shared_ptr<void> pExtension, PVOID pRawExtension,
                              const UNICODE_STRING* pName, ULONG nDeviceType, DEVICE_OBJECT** ppDevice);
template <class TExtension>
NTSTATUS IoCreateDevice(DRIVER_OBJECT* pDriver, const UNICODE_STRING* pName, ULONG nDeviceType,
                        DEVICE_OBJECT** ppDevice)
{
    auto pExtension = std::make_shared<TExtension>();
    TExtension* pRaw = pExtension.get();
    return IoCreateDeviceObject(pDriver, std::move(pExtension), pRaw, pName, nDeviceType, ppDevice);
}
void IoDeleteDevice(DEVICE_OBJECT* pDevice);

NTSTATUS IoCreateSymbolicLink(DRIVER_OBJECT* pDriver, const UNICODE_STRING* pLinkName,
                              const UNICODE_STRING* pDeviceName);
NTSTATUS IoDeleteSymbolicLink(DRIVER_OBJECT* pDriver, const UNICODE_STRING* pLinkName);

// Puts pSource on top of the stack that pTarget belongs to; answers the device it now sits on.
DEVICE_OBJECT* IoAttachDeviceToDeviceStack(DEVICE_OBJECT* pSource, DEVICE_OBJECT* pTarget);
void IoDetachDevice(DEVICE_OBJECT* pLower);
// The device at the top of the stack that pDevice belongs to.
DEVICE_OBJECT* IoGetAttachedDevice(DEVICE_OBJECT* pDevice);

// Hands the request to pDevice's driver at the next stack location.
NTSTATUS IoCallDriver(DEVICE_OBJECT* pDevice, IRP* pIrp);
inline NTSTATUS PoCallDriver(DEVICE_OBJECT* pDevice, IRP* pIrp) { return IoCallDriver(pDevice, pIrp); }
inline void PoStartNextPowerIrp(IRP*) {}

// Driver-wide data of type T, created once per driver object.
template <class T>
T* IoAllocateDriverObjectExtension(DRIVER_OBJECT* pDriver)
{
    auto pData = std::make_shared<T>();
    T* pRaw = pData.get();
    pDriver->ClientExtension = std::move(pData);
    return pRaw;
}
template <class T>
T* IoGetDriverObjectExtension(DRIVER_OBJECT* pDriver)
{
    return static_cast<T*>(pDriver->ClientExtension.get());
}
