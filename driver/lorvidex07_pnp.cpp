// Lorvidex07Drv: plug and play (start, stop, removal, capabilities) and power pass-through.
#include "driver/cam_device_extension.h"
#include "platform/log.h"

namespace {

NTSTATUS OnLowerDone(DEVICE_OBJECT*, IRP*, PVOID pContext)
{
    KeSetEvent(static_cast<KEVENT*>(pContext));
    return STATUS_MORE_PROCESSING_REQUIRED; // the request stays ours
}

// Passes the request down and waits until the lower drivers have finished it.
NTSTATUS PassDownAndWait(CAM_DEVICE_EXTENSION* pExt, IRP* pIrp)
{
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, 0);
    IoCopyCurrentIrpStackLocationToNext(pIrp);
    IoSetCompletionRoutine(pIrp, &OnLowerDone, &done, 1, 1, 1);
    IoCallDriver(pExt->LowerDeviceObject, pIrp);
    KeWaitForSingleObject(&done, nullptr);
    return pIrp->IoStatus.Status;
}

NTSTATUS PassDown(CAM_DEVICE_EXTENSION* pExt, IRP* pIrp)
{
    IoSkipCurrentIrpStackLocation(pIrp);
    return IoCallDriver(pExt->LowerDeviceObject, pIrp);
}

NTSTATUS Complete(IRP* pIrp, NTSTATUS status)
{
    pIrp->IoStatus.Status = status;
    pIrp->IoStatus.Information = 0;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    return status;
}

// Descriptor, configuration, then the firmware, which is loaded whatever the first two
// answered. The start status is theirs.
NTSTATUS StartSequence(CAM_DEVICE_EXTENSION* pExt)
{
    pExt->LinkCreated = 1;
    NTSTATUS status = CamReadDeviceDescriptor(pExt);
    if (NT_SUCCESS(status))
        status = CamConfigureDevice(pExt);
    CamLoadFirmware(pExt);
    return status;
}

NTSTATUS RemoveDevice(DEVICE_OBJECT* pDevice, CAM_DEVICE_EXTENSION* pExt, IRP* pIrp)
{
    pExt->Removing = 1;
    // A running stream holds an I/O reference: it is asked to stop here, and the wait below
    // lasts until its last transfer has come back and freed its rings.
    CamStopIsoStreamForRemoval(pExt);
    CamAbortAllPipes(pExt);
    CamIoDecrement(pExt); // this request's reference
    CamIoDecrement(pExt); // the one taken at AddDevice
    KeWaitForSingleObject(&pExt->RemoveEvent, nullptr);

    NTSTATUS status = PassDown(pExt, pIrp);
    pExt->DeviceDescriptor.reset();
    {
        CKsSpinLockGuard lock(&pExt->PipeLock);
        pExt->InterfaceInformation.reset();
        pExt->ConfigurationHandle = 0;
    }
    // The link was made at AddDevice, so it goes whether or not the device ever started.
    UNICODE_STRING linkName;
    RtlInitUnicodeString(&linkName, pExt->LinkName);
    IoDeleteSymbolicLink(pDevice->DriverObject, &linkName);
    IoDetachDevice(pExt->LowerDeviceObject);
    IoDeleteDevice(pDevice); // the extension may be gone after this
    return status;
}

} // namespace

NTSTATUS CamDispatchPnp(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    CAM_DEVICE_EXTENSION* pExt = CamExtension(pDevice);
    IO_STACK_LOCATION* pStack = IoGetCurrentIrpStackLocation(pIrp);
    if (!CamIoIncrement(pExt))
        return Complete(pIrp, STATUS_DELETE_PENDING);

    NTSTATUS status = STATUS_SUCCESS;
    switch (pStack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        status = PassDownAndWait(pExt, pIrp);
        if (NT_SUCCESS(status))
            status = StartSequence(pExt);
        Complete(pIrp, status);
        if (NT_SUCCESS(status))
            pExt->Started = 1;
        break;
    case IRP_MN_STOP_DEVICE: {
        status = PassDown(pExt, pIrp);
        // The device counts as unconfigured either way; the stop answers the lower driver's status.
        const NTSTATUS unconfigured = CamUnconfigureDevice(pExt);
        if (!NT_SUCCESS(unconfigured))
            LogLine(ELogCategory::Driver, "%ls: unconfiguring at stop failed: 0x%08X", CamLogName(pExt),
                    static_cast<unsigned>(unconfigured));
        break;
    }
    case IRP_MN_REMOVE_DEVICE:
        return RemoveDevice(pDevice, pExt, pIrp);
    case IRP_MN_QUERY_CAPABILITIES: {
        DEVICE_CAPABILITIES* pCaps = pStack->Parameters.DeviceCapabilities.Capabilities;
        if (pCaps && pCaps->Version != 0) {
            status = PassDownAndWait(pExt, pIrp);
            if (NT_SUCCESS(status))
                pCaps->SurpriseRemovalOK = 1;
            Complete(pIrp, status);
        } else {
            status = PassDown(pExt, pIrp);
        }
        break;
    }
    default:
        status = PassDown(pExt, pIrp);
        break;
    }
    CamIoDecrement(pExt);
    return status;
}

NTSTATUS CamDispatchPower(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    PoStartNextPowerIrp(pIrp);
    IoCopyCurrentIrpStackLocationToNext(pIrp);
    NTSTATUS status = PoCallDriver(CamExtension(pDevice)->LowerDeviceObject, pIrp);
    if (status == STATUS_PENDING && pIrp->CurrentLocation >= 0)
        IoMarkIrpPending(pIrp);
    return status;
}
