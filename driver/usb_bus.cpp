#include "driver/usb_bus.h"

#include "driver/kernel/ks_event.h"

namespace {

struct SYNC_SUBMIT {
    KEVENT Done;
    NTSTATUS Status = STATUS_PENDING;
};

void OnSyncSubmitDone(URB*, NTSTATUS status, PVOID pContext)
{
    auto* pSync = static_cast<SYNC_SUBMIT*>(pContext);
    pSync->Status = status;
    KeSetEvent(&pSync->Done);
}

} // namespace

NTSTATUS UsbdStatusToNtStatus(USBD_STATUS status)
{
    if (USBD_SUCCESS(status))
        return STATUS_SUCCESS;
    switch (status) {
    case USBD_STATUS_CANCELED:
        return STATUS_CANCELLED;
    case USBD_STATUS_DEVICE_GONE:
        return STATUS_DEVICE_NOT_CONNECTED;
    case USBD_STATUS_INVALID_PARAMETER:
    case USBD_STATUS_INVALID_URB_FUNCTION:
        return STATUS_INVALID_PARAMETER;
    case USBD_STATUS_INSUFFICIENT_RESOURCES:
        return STATUS_INSUFFICIENT_RESOURCES;
    case USBD_STATUS_TIMEOUT:
        return STATUS_IO_TIMEOUT;
    case USBD_STATUS_NOT_SUPPORTED:
        return STATUS_NOT_SUPPORTED;
    default:
        return STATUS_UNSUCCESSFUL;
    }
}

NTSTATUS UsbSubmitUrbSynchronously(IUsbBus& bus, URB* pUrb)
{
    SYNC_SUBMIT sync;
    KeInitializeEvent(&sync.Done, NotificationEvent, 0);
    bus.SubmitUrb(pUrb, &OnSyncSubmitDone, &sync);
    KeWaitForSingleObject(&sync.Done, nullptr);
    return sync.Status;
}
