// Lorvidex07Drv: the pipe transfer, the path every camera command, reply and frame takes.
#include "driver/cam_device_extension.h"
#include "driver/camera_protocol.h"
#include "driver/usbd_helpers.h"

namespace {

// Sends a 64-byte message with only its command byte set on the command pipe, without a time
// limit. Its result does not change the transfer's.
void SendCameraMessage(CAM_DEVICE_EXTENSION* pExt, const USBD_PIPE_INFORMATION& commandPipe, BYTE nCommand)
{
    CAM_MESSAGE message = CamBuildCommand(nCommand);
    URB urb;
    UsbBuildInterruptOrBulkTransferRequest(&urb, commandPipe.PipeHandle, message.data(),
                                           static_cast<ULONG>(message.size()), USBD_SHORT_TRANSFER_OK);
    CamCallUsbd(pExt, &urb);
}

} // namespace

NTSTATUS CamPipeTransfer(CAM_DEVICE_EXTENSION* pExt, IRP* pIrp, ULONG_PTR* pnTransferred)
{
    *pnTransferred = 0;
    IO_STACK_LOCATION* pStack = IoGetCurrentIrpStackLocation(pIrp);
    if (pStack->Parameters.DeviceIoControl.InputBufferLength < sizeof(DWORD))
        return STATUS_INVALID_PARAMETER;
    const auto* pInput = static_cast<const BYTE*>(pIrp->AssociatedIrp.SystemBuffer);
    const ULONG nIndex = static_cast<ULONG>(pInput[0] | pInput[1] << 8 | pInput[2] << 16 | pInput[3] << 24);

    // Checks in the order of the interface: configured, index, pipe type, handle, length.
    USBD_PIPE_INFORMATION pipe{};
    USBD_PIPE_INFORMATION commandPipe{};
    NTSTATUS status = CamGetPipe(pExt, nIndex, &pipe, &commandPipe);
    if (!NT_SUCCESS(status))
        return status;
    if (pipe.PipeType != UsbdPipeTypeBulk && pipe.PipeType != UsbdPipeTypeInterrupt)
        return STATUS_INVALID_PARAMETER;
    if (!pipe.PipeHandle)
        return STATUS_UNSUCCESSFUL;
    const ULONG nLength = MmGetMdlByteCount(pIrp->MdlAddress);
    if (nLength > pipe.MaximumTransferSize)
        return STATUS_INVALID_PARAMETER;

    // The direction comes from the endpoint, not from the request code.
    const bool bIn = USB_ENDPOINT_DIRECTION_IN(pipe.EndpointAddress);
    const bool bImage = bIn && nIndex == CAM_PIPE_IMAGE;
    if (bImage)
        SendCameraMessage(pExt, commandPipe, CAM_CMD_FRAME);

    URB urb;
    UsbBuildInterruptOrBulkTransferRequest(&urb, pipe.PipeHandle, MmGetSystemAddressForMdlSafe(pIrp->MdlAddress),
                                           nLength,
                                           USBD_SHORT_TRANSFER_OK | (bIn ? USBD_TRANSFER_DIRECTION_IN : 0));
    CAM_URB_CALL call;
    CamStartUrb(pExt, &call, &urb);
    if (bImage)
        SendCameraMessage(pExt, commandPipe, CAM_CMD_FRAME_QUEUED);

    // Milliseconds to a relative time in 100-ns units; a value of 0 or less has passed already.
    const LARGE_INTEGER timeout{-static_cast<LONGLONG>(pExt->DriverData->TransferTimeout.load()) * 10000};
    status = CamFinishUrb(pExt, &call, &urb, &timeout);
    if (NT_SUCCESS(status))
        *pnTransferred = urb.UrbBulkOrInterruptTransfer.TransferBufferLength;
    return status;
}
