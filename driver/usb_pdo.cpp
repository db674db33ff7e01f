#include "driver/usb_pdo.h"

namespace {

struct USB_PDO_EXTENSION {
    IUsbBus* pBus = nullptr;
    ULONG nAddress = 0;
};

USB_PDO_EXTENSION* PdoExtension(DEVICE_OBJECT* pPdo) { return static_cast<USB_PDO_EXTENSION*>(pPdo->DeviceExtension); }

NTSTATUS CompleteWith(IRP* pIrp, NTSTATUS status)
{
    pIrp->IoStatus.Status = status;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS PdoDispatchPnp(DEVICE_OBJECT* pPdo, IRP* pIrp)
{
    IO_STACK_LOCATION* pStack = IoGetCurrentIrpStackLocation(pIrp);
    switch (pStack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        return CompleteWith(pIrp, STATUS_SUCCESS);
    case IRP_MN_QUERY_CAPABILITIES: {
        DEVICE_CAPABILITIES* pCaps = pStack->Parameters.DeviceCapabilities.Capabilities;
        if (!pCaps)
            return CompleteWith(pIrp, STATUS_INVALID_PARAMETER);
        pCaps->Removable = 1;
        pCaps->Address = PdoExtension(pPdo)->nAddress;
        pCaps->UINumber = PdoExtension(pPdo)->nAddress;
        return CompleteWith(pIrp, STATUS_SUCCESS);
    }
    default:
        // Requests a bus does not handle complete with the status they came with.
        return CompleteWith(pIrp, pIrp->IoStatus.Status);
    }
}

NTSTATUS PdoDispatchPower(DEVICE_OBJECT*, IRP* pIrp)
{
    PoStartNextPowerIrp(pIrp);
    return CompleteWith(pIrp, STATUS_SUCCESS);
}

void PdoCancelUrb(DEVICE_OBJECT*, IRP* pIrp)
{
    auto* pBus = static_cast<IUsbBus*>(pIrp->Tail.DriverContext[1]);
    pBus->CancelUrb(static_cast<URB*>(pIrp->Tail.DriverContext[0]));
}

void PdoUrbDone(URB*, NTSTATUS status, PVOID pContext)
{
    auto* pIrp = static_cast<IRP*>(pContext);
    IoSetCancelRoutine(pIrp, nullptr);
    pIrp->IoStatus.Information = 0;
    CompleteWith(pIrp, status);
}

NTSTATUS PdoDispatchInternalControl(DEVICE_OBJECT* pPdo, IRP* pIrp)
{
    IO_STACK_LOCATION* pStack = IoGetCurrentIrpStackLocation(pIrp);
    IUsbBus* pBus = PdoExtension(pPdo)->pBus;
    switch (pStack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_INTERNAL_USB_SUBMIT_URB: {
        auto* pUrb = static_cast<URB*>(pStack->Parameters.Others.Argument1);
        if (!pUrb)
            return CompleteWith(pIrp, STATUS_INVALID_PARAMETER);
        pIrp->Tail.DriverContext[0] = pUrb;
        pIrp->Tail.DriverContext[1] = pBus;
        IoMarkIrpPending(pIrp);
        IoSetCancelRoutine(pIrp, &PdoCancelUrb);
        if (pIrp->Cancel && IoSetCancelRoutine(pIrp, nullptr)) {
            pUrb->UrbHeader.Status = USBD_STATUS_CANCELED;
            CompleteWith(pIrp, STATUS_CANCELLED);
            return STATUS_PENDING;
        }
        pBus->SubmitUrb(pUrb, &PdoUrbDone, pIrp);
        return STATUS_PENDING;
    }
    case IOCTL_INTERNAL_USB_RESET_PORT:
        return CompleteWith(pIrp, pBus->ResetPort());
    default:
        return CompleteWith(pIrp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

} // namespace

NTSTATUS UsbPdoDriverEntry(DRIVER_OBJECT* pDriverObject, const UNICODE_STRING*)
{
    pDriverObject->MajorFunction[IRP_MJ_PNP] = &PdoDispatchPnp;
    pDriverObject->MajorFunction[IRP_MJ_POWER] = &PdoDispatchPower;
    pDriverObject->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = &PdoDispatchInternalControl;
    return STATUS_SUCCESS;
}

NTSTATUS UsbCreatePdo(DRIVER_OBJECT* pBusDriver, IUsbBus& bus, ULONG nAddress, DEVICE_OBJECT** ppPdo)
{
    NTSTATUS status = IoCreateDevice<USB_PDO_EXTENSION>(pBusDriver, nullptr, FILE_DEVICE_USB, ppPdo);
    if (!NT_SUCCESS(status))
        return status;
    PdoExtension(*ppPdo)->pBus = &bus;
    PdoExtension(*ppPdo)->nAddress = nAddress;
    (*ppPdo)->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

void USBD_GetUSBDIVersion(DEVICE_OBJECT* pPhysicalDeviceObject, USBD_VERSION_INFORMATION* pVersion)
{
    PdoExtension(pPhysicalDeviceObject)->pBus->GetUSBDIVersion(pVersion);
}
