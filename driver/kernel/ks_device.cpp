#include "driver/kernel/ks_device.h"

#include <algorithm>

NTSTATUS IoInvalidDeviceRequest(DEVICE_OBJECT*, IRP* pIrp)
{
    pIrp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    pIrp->IoStatus.Information = 0;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

DRIVER_OBJECT::DRIVER_OBJECT(CKsKernel& kernel) : Kernel(&kernel)
{
    std::fill(std::begin(MajorFunction), std::end(MajorFunction), &IoInvalidDeviceRequest);
}

DEVICE_OBJECT::DEVICE_OBJECT(std::shared_ptr<DRIVER_OBJECT> pDriver, std::shared_ptr<void> pExtension,
                             ULONG nDeviceType)
    : DriverObject(pDriver.get()),
      DeviceExtension(pExtension.get()),
      DeviceType(nDeviceType),
      m_pDriver(std::move(pDriver)),
      m_pExtension(std::move(pExtension))
{
}

DEVICE_OBJECT::~DEVICE_OBJECT() = default;

NTSTATUS DEVICE_OBJECT::DispatchRequest(DEVIO_REQUEST& request)
{
    if (Flags & DO_DEVICE_INITIALIZING) {
        request.Status = STATUS_NO_SUCH_DEVICE;
        return request.Status;
    }
    IRP irp;
    IoInitializeIrp(&irp, StackSize);
    MDL mdl{request.DirectBuffer, request.DirectBuffer ? request.OutputBufferLength : 0};
    irp.AssociatedIrp.SystemBuffer = request.SystemBuffer;
    irp.MdlAddress = request.DirectBuffer ? &mdl : nullptr;
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(&irp);
    pNext->MajorFunction = request.MajorFunction;
    pNext->Parameters.DeviceIoControl.IoControlCode = request.IoControlCode;
    pNext->Parameters.DeviceIoControl.InputBufferLength = request.InputBufferLength;
    pNext->Parameters.DeviceIoControl.OutputBufferLength = request.OutputBufferLength;
    // The driver completes every request from the namespace before its dispatch routine
    // returns, so the status block is final here.
    IoCallDriver(this, &irp);
    request.Status = irp.IoStatus.Status;
    request.Information = irp.IoStatus.Information;
    return request.Status;
}

NTSTATUS IoCreateDeviceObject(DRIVER_OBJECT* pDriver, std::shared_ptr<void> pExtension, PVOID,
                              const UNICODE_STRING* pName, ULONG nDeviceType, DEVICE_OBJECT** ppDevice)
{
    *ppDevice = nullptr;
    auto pDevice = std::make_shared<DEVICE_OBJECT>(pDriver->shared_from_this(), std::move(pExtension), nDeviceType);
    if (pName && pName->Length) {
        pDevice->Name = NarrowName(*pName);
        NTSTATUS status = pDriver->Kernel->Devices.InsertDevice(pDevice->Name, pDevice);
        if (!NT_SUCCESS(status))
            return status;
    }
    std::lock_guard lock(pDriver->DeviceListMutex);
    pDriver->DeviceList.push_back(pDevice);
    *ppDevice = pDevice.get();
    return STATUS_SUCCESS;
}

void IoDeleteDevice(DEVICE_OBJECT* pDevice)
{
    DRIVER_OBJECT* pDriver = pDevice->DriverObject;
    if (!pDevice->Name.empty())
        pDriver->Kernel->Devices.RemoveDevice(pDevice->Name);
    std::shared_ptr<DEVICE_OBJECT> pGone; // may be the last owner: released after the lock
    std::lock_guard lock(pDriver->DeviceListMutex);
    auto it = std::find_if(pDriver->DeviceList.begin(), pDriver->DeviceList.end(),
                           [pDevice](const auto& p) { return p.get() == pDevice; });
    if (it != pDriver->DeviceList.end()) {
        pGone = std::move(*it);
        pDriver->DeviceList.erase(it);
    }
}

NTSTATUS IoCreateSymbolicLink(DRIVER_OBJECT* pDriver, const UNICODE_STRING* pLinkName,
                              const UNICODE_STRING* pDeviceName)
{
    return pDriver->Kernel->Devices.CreateSymbolicLink(NarrowName(*pLinkName), NarrowName(*pDeviceName));
}

NTSTATUS IoDeleteSymbolicLink(DRIVER_OBJECT* pDriver, const UNICODE_STRING* pLinkName)
{
    return pDriver->Kernel->Devices.DeleteSymbolicLink(NarrowName(*pLinkName));
}

DEVICE_OBJECT* IoGetAttachedDevice(DEVICE_OBJECT* pDevice)
{
    while (pDevice->AttachedDevice)
        pDevice = pDevice->AttachedDevice;
    return pDevice;
}

DEVICE_OBJECT* IoAttachDeviceToDeviceStack(DEVICE_OBJECT* pSource, DEVICE_OBJECT* pTarget)
{
    DEVICE_OBJECT* pTop = IoGetAttachedDevice(pTarget);
    if (pTop->StackSize + 1 > IRP_MAX_STACK)
        return nullptr;
    pTop->AttachedDevice = pSource;
    pSource->StackSize = static_cast<CHAR>(pTop->StackSize + 1);
    return pTop;
}

void IoDetachDevice(DEVICE_OBJECT* pLower) { pLower->AttachedDevice = nullptr; }

NTSTATUS IoCallDriver(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    if (pIrp->CurrentLocation + 1 >= pIrp->StackCount || pIrp->CurrentLocation + 1 >= IRP_MAX_STACK) {
        pIrp->IoStatus.Status = STATUS_INVALID_PARAMETER;
        IoCompleteRequest(pIrp);
        return STATUS_INVALID_PARAMETER;
    }
    ++pIrp->CurrentLocation;
    IO_STACK_LOCATION* pLocation = IoGetCurrentIrpStackLocation(pIrp);
    pLocation->DeviceObject = pDevice;
    if (pLocation->MajorFunction > IRP_MJ_MAXIMUM_FUNCTION)
        return IoInvalidDeviceRequest(pDevice, pIrp);
    return pDevice->DriverObject->MajorFunction[pLocation->MajorFunction](pDevice, pIrp);
}
