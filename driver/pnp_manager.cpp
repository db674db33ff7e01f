#include "driver/pnp_manager.h"

#include "driver/usb_pdo.h"

CPnpManager::CPnpManager(CDeviceNamespace& devices, PDRIVER_INITIALIZE pfnDriverEntry)
    : m_Kernel(devices),
      m_pBusDriver(std::make_shared<DRIVER_OBJECT>(m_Kernel)),
      m_pFunctionDriver(std::make_shared<DRIVER_OBJECT>(m_Kernel))
{
    UsbPdoDriverEntry(m_pBusDriver.get(), nullptr);
    UNICODE_STRING registryPath;
    RtlInitUnicodeString(&registryPath, L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Lorvidex07Drv");
    m_nDriverStatus = pfnDriverEntry(m_pFunctionDriver.get(), &registryPath);
}

CPnpManager::~CPnpManager()
{
    std::lock_guard lock(m_Mutex);
    while (!m_Nodes.empty())
        RemoveLocked(m_Nodes.begin()->first);
    if (NT_SUCCESS(m_nDriverStatus) && m_pFunctionDriver->DriverUnload)
        m_pFunctionDriver->DriverUnload(m_pFunctionDriver.get());
}

DEVICE_OBJECT* CPnpManager::FindLocked(ULONG nNode) const
{
    auto it = m_Nodes.find(nNode);
    return it == m_Nodes.end() ? nullptr : it->second;
}

NTSTATUS CPnpManager::SendRequest(DEVICE_OBJECT* pPdo, UCHAR nMajor, UCHAR nMinor,
                                  DEVICE_CAPABILITIES* pCapabilities, DEVICE_POWER_STATE powerState)
{
    DEVICE_OBJECT* pTop = IoGetAttachedDevice(pPdo);
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, 0);
    IRP irp;
    IoInitializeIrp(&irp, pTop->StackSize);
    irp.IoStatus.Status = STATUS_NOT_SUPPORTED; // what a request nobody handles completes with
    irp.UserEvent = &done;
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(&irp);
    pNext->MajorFunction = nMajor;
    pNext->MinorFunction = nMinor;
    pNext->Parameters.DeviceCapabilities.Capabilities = pCapabilities;
    pNext->Parameters.Power.State = powerState;
    IoCallDriver(pTop, &irp);
    KeWaitForSingleObject(&done, nullptr);
    return irp.IoStatus.Status;
}

NTSTATUS CPnpManager::AddDevice(IUsbBus& bus, ULONG* pnNode)
{
    *pnNode = 0;
    if (!NT_SUCCESS(m_nDriverStatus))
        return m_nDriverStatus;
    std::lock_guard lock(m_Mutex);
    const ULONG nNode = m_nNextNode;
    DEVICE_OBJECT* pPdo = nullptr;
    NTSTATUS status = UsbCreatePdo(m_pBusDriver.get(), bus, nNode, &pPdo);
    if (!NT_SUCCESS(status))
        return status;
    status = m_pFunctionDriver->DriverExtension->AddDevice(m_pFunctionDriver.get(), pPdo);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(pPdo);
        return status;
    }
    ++m_nNextNode;
    m_Nodes.emplace(nNode, pPdo);
    *pnNode = nNode;
    return STATUS_SUCCESS;
}

NTSTATUS CPnpManager::StartDevice(ULONG nNode)
{
    std::lock_guard lock(m_Mutex);
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    return pPdo ? SendRequest(pPdo, IRP_MJ_PNP, IRP_MN_START_DEVICE, nullptr, PowerDeviceUnspecified)
                : STATUS_NO_SUCH_DEVICE;
}

NTSTATUS CPnpManager::StopDevice(ULONG nNode)
{
    std::lock_guard lock(m_Mutex);
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    return pPdo ? SendRequest(pPdo, IRP_MJ_PNP, IRP_MN_STOP_DEVICE, nullptr, PowerDeviceUnspecified)
                : STATUS_NO_SUCH_DEVICE;
}

NTSTATUS CPnpManager::RemoveLocked(ULONG nNode)
{
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    if (!pPdo)
        return STATUS_NO_SUCH_DEVICE;
    NTSTATUS status = SendRequest(pPdo, IRP_MJ_PNP, IRP_MN_REMOVE_DEVICE, nullptr, PowerDeviceUnspecified);
    m_Nodes.erase(nNode);
    IoDeleteDevice(pPdo);
    return status;
}

NTSTATUS CPnpManager::RemoveDevice(ULONG nNode)
{
    std::lock_guard lock(m_Mutex);
    return RemoveLocked(nNode);
}

NTSTATUS CPnpManager::SurpriseRemoveDevice(ULONG nNode)
{
    std::lock_guard lock(m_Mutex);
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    if (!pPdo)
        return STATUS_NO_SUCH_DEVICE;
    SendRequest(pPdo, IRP_MJ_PNP, IRP_MN_SURPRISE_REMOVAL, nullptr, PowerDeviceUnspecified);
    return RemoveLocked(nNode);
}

NTSTATUS CPnpManager::QueryCapabilities(ULONG nNode, DEVICE_CAPABILITIES* pCapabilities)
{
    std::lock_guard lock(m_Mutex);
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    return pPdo ? SendRequest(pPdo, IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES, pCapabilities, PowerDeviceUnspecified)
                : STATUS_NO_SUCH_DEVICE;
}

NTSTATUS CPnpManager::SetDevicePower(ULONG nNode, DEVICE_POWER_STATE state)
{
    std::lock_guard lock(m_Mutex);
    DEVICE_OBJECT* pPdo = FindLocked(nNode);
    return pPdo ? SendRequest(pPdo, IRP_MJ_POWER, IRP_MN_SET_POWER, nullptr, state) : STATUS_NO_SUCH_DEVICE;
}
