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

NTSTATUS UsbSubmitUrbSynchronously(IUsbBus& bus, URB* pUrb)
{
    SYNC_SUBMIT sync;
    KeInitializeEvent(&sync.Done, NotificationEvent, 0);
    bus.SubmitUrb(pUrb, &OnSyncSubmitDone, &sync);
    KeWaitForSingleObject(&sync.Done, nullptr);
    return sync.Status;
}
