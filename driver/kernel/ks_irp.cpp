#include "driver/kernel/ks_irp.h"

#include <new>

void IoInitializeIrp(IRP* pIrp, CHAR nStackSize)
{
    pIrp->StackCount = nStackSize;
    pIrp->CurrentLocation = -1;
}

KS_IRP_PTR IoAllocateIrp(CHAR nStackSize)
{
    if (nStackSize < 1 || nStackSize > IRP_MAX_STACK)
        return nullptr;
    KS_IRP_PTR pIrp(new (std::nothrow) IRP);
    if (pIrp)
        IoInitializeIrp(pIrp.get(), nStackSize);
    return pIrp;
}

void IoReuseIrp(IRP* pIrp, NTSTATUS status)
{
    const CHAR nStackSize = pIrp->StackCount;
    pIrp->IoStatus = IO_STATUS_BLOCK{status, 0};
    pIrp->AssociatedIrp.SystemBuffer = nullptr;
    pIrp->MdlAddress = nullptr;
    pIrp->PendingReturned = 0;
    pIrp->Cancel = 0;
    pIrp->CancelRoutine = nullptr;
    pIrp->UserIosb = nullptr;
    pIrp->UserEvent = nullptr;
    pIrp->Tail = {};
    pIrp->Stack.fill(IO_STACK_LOCATION{});
    IoInitializeIrp(pIrp, nStackSize);
}

void IoCopyCurrentIrpStackLocationToNext(IRP* pIrp)
{
    IO_STACK_LOCATION* pCurrent = IoGetCurrentIrpStackLocation(pIrp);
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(pIrp);
    *pNext = *pCurrent;
    pNext->CompletionRoutine = nullptr;
    pNext->Context = nullptr;
    pNext->Control = 0;
    pNext->DeviceObject = nullptr;
}

void IoSetCompletionRoutine(IRP* pIrp, PIO_COMPLETION_ROUTINE pfnRoutine, PVOID pContext, BOOLEAN bOnSuccess,
                            BOOLEAN bOnError, BOOLEAN bOnCancel)
{
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(pIrp);
    pNext->CompletionRoutine = pfnRoutine;
    pNext->Context = pContext;
    pNext->Control = 0;
    if (bOnSuccess)
        pNext->Control |= SL_INVOKE_ON_SUCCESS;
    if (bOnError)
        pNext->Control |= SL_INVOKE_ON_ERROR;
    if (bOnCancel)
        pNext->Control |= SL_INVOKE_ON_CANCEL;
}

void IoCompleteRequest(IRP* pIrp, CHAR)
{
    IoSetCancelRoutine(pIrp, nullptr);
    for (int nLocation = pIrp->CurrentLocation; nLocation >= 0; --nLocation) {
        IO_STACK_LOCATION& location = pIrp->Stack[nLocation];
        pIrp->PendingReturned = (location.Control & SL_PENDING_RETURNED) ? 1 : 0;
        const NTSTATUS status = pIrp->IoStatus.Status;
        const bool bInvoke = location.CompletionRoutine &&
                             ((NT_SUCCESS(status) && (location.Control & SL_INVOKE_ON_SUCCESS)) ||
                              (status == STATUS_CANCELLED && (location.Control & SL_INVOKE_ON_CANCEL)) ||
                              (!NT_SUCCESS(status) && status != STATUS_CANCELLED &&
                               (location.Control & SL_INVOKE_ON_ERROR)));
        // The location above becomes current before the routine runs: a routine that keeps
        // the request may let its owner complete it again at once.
        pIrp->CurrentLocation = static_cast<CHAR>(nLocation - 1);
        if (bInvoke) {
            DEVICE_OBJECT* pUpper = nLocation > 0 ? pIrp->Stack[nLocation - 1].DeviceObject : nullptr;
            if (location.CompletionRoutine(pUpper, pIrp, location.Context) == STATUS_MORE_PROCESSING_REQUIRED)
                return;
        } else if (pIrp->PendingReturned && nLocation > 0) {
            pIrp->Stack[nLocation - 1].Control |= SL_PENDING_RETURNED;
        }
    }
    KEVENT* pEvent = pIrp->UserEvent;
    if (pIrp->UserIosb)
        *pIrp->UserIosb = pIrp->IoStatus;
    if (pEvent)
        KeSetEvent(pEvent); // the last touch: the originator may reuse the request now
}

BOOLEAN IoCancelIrp(IRP* pIrp)
{
    pIrp->Cancel = 1;
    PDRIVER_CANCEL pfnCancel = IoSetCancelRoutine(pIrp, nullptr);
    if (!pfnCancel)
        return 0;
    pfnCancel(nullptr, pIrp);
    return 1;
}
