// Lorvidex07Drv: what the isochronous transfer and the stream share: their input, the pipe
// checks, the transfer records and their requests.
#include "driver/cam_iso_context.h"
#include "driver/usbd_helpers.h"

#include <new>

BOOL CamReadIsoParameters(const CAM_REQUEST& request, CAM_ISO_PARAMETERS* pParameters)
{
    if (request.nIn < CAM_ISO_INPUT_LENGTH)
        return FALSE;
    pParameters->PipeIndex = request.InLong(0);
    pParameters->PacketSize = request.InLong(4);
    pParameters->Packets = request.InLong(8);
    pParameters->PacketsPerTransfer = request.InLong(12);
    pParameters->TransfersInFlight = request.InLong(16);
    return TRUE;
}

NTSTATUS CamCheckIsoPipe(CAM_DEVICE_EXTENSION* pExt, ULONG nPipeIndex, USBD_PIPE_INFORMATION* pPipe)
{
    NTSTATUS status = CamGetPipe(pExt, nPipeIndex, pPipe, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    if (pPipe->PipeType != UsbdPipeTypeIsochronous)
        return STATUS_INVALID_PARAMETER;
    if (!pPipe->PipeHandle)
        return STATUS_UNSUCCESSFUL;
    return STATUS_SUCCESS;
}

std::unique_ptr<CAM_ISO_CONTEXT> CamAllocateIsoContext(CAM_DEVICE_EXTENSION* pExt,
                                                       const CAM_ISO_PARAMETERS& parameters,
                                                       const USBD_PIPE_INFORMATION& pipe)
{
    std::unique_ptr<CAM_ISO_CONTEXT> pContext(new (std::nothrow) CAM_ISO_CONTEXT);
    if (!pContext)
        return nullptr;
    pContext->Ext = pExt;
    pContext->PacketSize = parameters.PacketSize;
    pContext->Pipe = pipe;
    pContext->PacketsPerTransfer = parameters.PacketsPerTransfer;
    pContext->TransfersInFlight = parameters.TransfersInFlight;
    pContext->TransferFlags = USBD_START_ISO_TRANSFER_ASAP | USBD_SHORT_TRANSFER_OK |
                              (USB_ENDPOINT_DIRECTION_IN(pipe.EndpointAddress) ? USBD_TRANSFER_DIRECTION_IN : 0);
    pContext->Transfers.reset(new (std::nothrow) CAM_ISO_TRANSFER[parameters.TransfersInFlight]);
    if (!pContext->Transfers)
        return nullptr;
    // One stack location more than the lower device needs: the driver's own device's depth.
    const CHAR nStackSize = pExt->DeviceObject->StackSize;
    for (ULONG t = 0; t < parameters.TransfersInFlight; ++t) {
        CAM_ISO_TRANSFER& transfer = pContext->Transfers[t];
        transfer.Context = pContext.get();
        transfer.UrbBlock =
            CamPool(pExt).Allocate(NonPagedPool, GET_ISO_URB_SIZE(parameters.PacketsPerTransfer), CAM_POOL_TAG);
        transfer.Irp = IoAllocateIrp(nStackSize);
        if (!transfer.UrbBlock || !transfer.Irp)
            return nullptr;
        KeInitializeEvent(&transfer.Done, NotificationEvent, 0);
    }
    return pContext;
}

void CamPrepareIsoTransfer(CAM_ISO_TRANSFER* pTransfer, UCHAR* pData, PIO_COMPLETION_ROUTINE pfnRoutine)
{
    CAM_ISO_CONTEXT* pContext = pTransfer->Context;
    URB* pUrb = pTransfer->Urb();
    UsbBuildIsochronousRequest(pUrb, IsoPacketsBehind(pUrb), pContext->Pipe.PipeHandle, pData, pContext->PacketSize,
                               pContext->PacketsPerTransfer, pContext->TransferFlags);
    IRP* pIrp = pTransfer->Irp.get();
    IoReuseIrp(pIrp, STATUS_SUCCESS);
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(pIrp);
    pNext->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    pNext->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    pNext->Parameters.Others.Argument1 = pUrb;
    IoSetCompletionRoutine(pIrp, pfnRoutine, pTransfer, 1, 1, 1);
}

void CamSendIsoTransfer(CAM_ISO_TRANSFER* pTransfer)
{
    DEVICE_OBJECT* pLower = pTransfer->Context->Ext->LowerDeviceObject;
    IoCallDriver(pLower, pTransfer->Irp.get());
}

NTSTATUS CamIsoTransferStatus(CAM_ISO_TRANSFER* pTransfer)
{
    NTSTATUS status = pTransfer->Irp->IoStatus.Status;
    const USBD_STATUS usbStatus = pTransfer->Urb()->UrbHeader.Status;
    if (!USBD_SUCCESS(usbStatus)) {
        pTransfer->Context->Ext->LastUsbStatus = static_cast<ULONG>(usbStatus);
        if (NT_SUCCESS(status))
            status = STATUS_UNSUCCESSFUL;
    }
    return status;
}
