// Lorvidex07Drv: entry point, AddDevice, unload, and the I/O reference count.
#include "driver/cam_device_extension.h"
#include "driver/lorvidex07_drv.h"

#include <cwchar>

namespace {

void CamUnload(DRIVER_OBJECT*) {}

// Tries \Device\Lorvidex07-n with its link for n = 0..7 and takes the first n for which both
// can be created; fails with the last status when none can.
NTSTATUS CamAddDevice(DRIVER_OBJECT* pDriverObject, DEVICE_OBJECT* pPhysicalDeviceObject)
{
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    DEVICE_OBJECT* pDevice = nullptr;
    WCHAR szDeviceName[25];
    WCHAR szLinkName[25];
    for (int n = 0; n < LORVIDEX07_MAX_DEVICES && !pDevice; ++n) {
        std::swprintf(szDeviceName, 25, L"\\Device\\Lorvidex07-%d", n);
        std::swprintf(szLinkName, 25, L"\\DosDevices\\Lorvidex07-%d", n);
        UNICODE_STRING deviceName;
        UNICODE_STRING linkName;
        RtlInitUnicodeString(&deviceName, szDeviceName);
        RtlInitUnicodeString(&linkName, szLinkName);
        status = IoCreateDevice<CAM_DEVICE_EXTENSION>(pDriverObject, &deviceName, FILE_DEVICE_UNKNOWN, &pDevice);
        if (!NT_SUCCESS(status))
            continue;
        status = IoCreateSymbolicLink(pDriverObject, &linkName, &deviceName);
        if (!NT_SUCCESS(status)) {
            IoDeleteDevice(pDevice);
            pDevice = nullptr;
        }
    }
    if (!pDevice)
        return status;

    CAM_DEVICE_EXTENSION* pExt = CamExtension(pDevice);
    pExt->DeviceObject = pDevice;
    pExt->DriverData = IoGetDriverObjectExtension<CAM_DRIVER_DATA>(pDriverObject);
    std::wmemcpy(pExt->LinkName, szLinkName, 25);
    KeInitializeSpinLock(&pExt->PipeLock);
    KeInitializeSpinLock(&pExt->StreamLock);

    pExt->PhysicalDeviceObject = pPhysicalDeviceObject;
    pExt->LowerDeviceObject = IoAttachDeviceToDeviceStack(pDevice, pPhysicalDeviceObject);
    if (!pExt->LowerDeviceObject) {
        UNICODE_STRING linkName;
        RtlInitUnicodeString(&linkName, pExt->LinkName);
        IoDeleteSymbolicLink(pDriverObject, &linkName);
        IoDeleteDevice(pDevice);
        return STATUS_NO_SUCH_DEVICE;
    }
    pExt->LastUsbStatus = 0;
    pExt->PendingIo = 1;
    KeInitializeEvent(&pExt->RemoveEvent, NotificationEvent, 0);
    pDevice->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
    pDevice->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS DriverEntry(DRIVER_OBJECT* pDriverObject, const UNICODE_STRING*)
{
    CAM_DRIVER_DATA* pData = IoAllocateDriverObjectExtension<CAM_DRIVER_DATA>(pDriverObject);
    pData->TransferTimeout = LORVIDEX07_DEFAULT_TIMEOUT_MS;
    NTSTATUS status = LoadFirmwareImages(&pData->Firmware);
    if (!NT_SUCCESS(status))
        return status;
    pDriverObject->MajorFunction[IRP_MJ_CREATE] = &CamDispatchCreate;
    pDriverObject->MajorFunction[IRP_MJ_CLOSE] = &CamDispatchClose;
    pDriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = &CamDispatchDeviceControl;
    pDriverObject->MajorFunction[IRP_MJ_PNP] = &CamDispatchPnp;
    pDriverObject->MajorFunction[IRP_MJ_POWER] = &CamDispatchPower;
    pDriverObject->DriverUnload = &CamUnload;
    pDriverObject->DriverExtension->AddDevice = &CamAddDevice;
    return STATUS_SUCCESS;
}

bool CamIoIncrement(CAM_DEVICE_EXTENSION* pExt)
{
    InterlockedIncrement(&pExt->PendingIo);
    if (pExt->Removing) {
        CamIoDecrement(pExt);
        return false;
    }
    return true;
}

void CamIoDecrement(CAM_DEVICE_EXTENSION* pExt)
{
    if (InterlockedDecrement(&pExt->PendingIo) == 0)
        KeSetEvent(&pExt->RemoveEvent);
}

NTSTATUS CamDispatchCreate(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    CAM_DEVICE_EXTENSION* pExt = CamExtension(pDevice);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    if (pExt->Started) {
        ++pExt->OpenHandles;
        status = STATUS_SUCCESS;
    }
    pIrp->IoStatus.Status = status;
    pIrp->IoStatus.Information = 0;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS CamDispatchClose(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    --CamExtension(pDevice)->OpenHandles;
    pIrp->IoStatus.Status = STATUS_SUCCESS;
    pIrp->IoStatus.Information = 0;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}
