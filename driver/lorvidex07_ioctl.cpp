// Lorvidex07Drv: the device control dispatch and the requests about the driver's own state.
#include "driver/cam_request.h"
#include "driver/camera_protocol.h"
#include "platform/log.h"

#include <algorithm>
#include <cstring>

namespace {

NTSTATUS GetPipeInfo(CAM_REQUEST& request)
{
    CAM_DEVICE_EXTENSION* pExt = request.pExt;
    CKsSpinLockGuard lock(&pExt->PipeLock);
    const USBD_INTERFACE_INFORMATION* pTable = pExt->InterfaceInformation.get();
    if (!pExt->ConfigurationHandle || !pTable)
        return STATUS_SUCCESS; // count 0: not configured
    const ULONG nLength = std::min<ULONG>(pTable->Length, sizeof *pTable);
    if (request.nOut < nLength)
        return STATUS_BUFFER_TOO_SMALL; // never write past a short buffer
    std::memcpy(request.pSystem, pTable, nLength);
    request.nInformation = nLength;
    return STATUS_SUCCESS;
}

NTSTATUS GetDeviceDescriptor(CAM_REQUEST& request)
{
    if (request.nOut < sizeof(USB_DEVICE_DESCRIPTOR))
        return STATUS_BUFFER_TOO_SMALL;
    ULONG nReceived = 0;
    CamGetDescriptor(request.pExt, USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, request.pSystem, sizeof(USB_DEVICE_DESCRIPTOR),
                     &nReceived);
    request.nInformation = nReceived;
    return STATUS_SUCCESS;
}

NTSTATUS GetConfigDescriptor(CAM_REQUEST& request)
{
    ULONG nReceived = 0;
    if (request.nOut)
        CamGetDescriptor(request.pExt, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, request.pSystem, request.nOut,
                         &nReceived);
    request.nInformation = nReceived;
    return STATUS_SUCCESS;
}

NTSTATUS PipeIndexRequest(CAM_REQUEST& request, USHORT nFunction)
{
    if (request.nIn < sizeof(ULONG))
        return STATUS_INVALID_PARAMETER;
    return CamPipeRequest(request.pExt, nFunction, request.InLong(0));
}

NTSTATUS AbortPipe(CAM_REQUEST& request)
{
    // An index outside the pipe table is refused before the table is touched.
    NTSTATUS status = PipeIndexRequest(request, URB_FUNCTION_ABORT_PIPE);
    return (status == STATUS_INVALID_PARAMETER || status == STATUS_UNSUCCESSFUL) ? status : STATUS_SUCCESS;
}

NTSTATUS SelectInterface(CAM_REQUEST& request)
{
    if (request.nIn < 2)
        return STATUS_INVALID_PARAMETER;
    // A setting that does not exist keeps the old pipe table; the request still succeeds.
    const NTSTATUS status = CamSelectInterface(request.pExt, request.pSystem[0], request.pSystem[1]);
    if (!NT_SUCCESS(status))
        LogLine(ELogCategory::Driver, "%ls: setting %u of interface %u not selected: 0x%08X",
                CamLogName(request.pExt), request.pSystem[1], request.pSystem[0], static_cast<unsigned>(status));
    return STATUS_SUCCESS;
}

// The request succeeds whatever the reset answers.
NTSTATUS ResetPort(CAM_REQUEST& request)
{
    const NTSTATUS status = CamResetPort(request.pExt);
    if (!NT_SUCCESS(status))
        LogLine(ELogCategory::Driver, "%ls: port reset failed: 0x%08X", CamLogName(request.pExt),
                static_cast<unsigned>(status));
    return STATUS_SUCCESS;
}

NTSTATUS GetLastUsbStatus(CAM_REQUEST& request)
{
    if (request.nOut < sizeof(ULONG))
        return STATUS_UNSUCCESSFUL;
    request.PutLong(0, request.pExt->LastUsbStatus);
    request.nInformation = sizeof(ULONG);
    return STATUS_SUCCESS;
}

NTSTATUS GetDriverVersion(CAM_REQUEST& request)
{
    if (request.nOut < 6)
        return STATUS_UNSUCCESSFUL;
    const UCHAR version[6] = {1, 0, 1, 0, 0, 0}; // 1, 1, 0 as 16-bit values
    std::memcpy(request.pSystem, version, sizeof version);
    request.nInformation = sizeof version;
    return STATUS_SUCCESS;
}

NTSTATUS SetTimeout(CAM_REQUEST& request)
{
    if (request.nIn < 8)
        return STATUS_INVALID_PARAMETER;
    if (request.InLong(0) == 1)
        request.pExt->DriverData->TransferTimeout = static_cast<LONG>(request.InLong(4));
    return STATUS_SUCCESS;
}

NTSTATUS HandleRequest(CAM_REQUEST& request)
{
    switch (request.nCode) {
    case IOCTL_CAM_GET_PIPE_INFO:
        return GetPipeInfo(request);
    case IOCTL_CAM_GET_DEVICE_DESCRIPTOR:
        return GetDeviceDescriptor(request);
    case IOCTL_CAM_GET_CONFIG_DESCRIPTOR:
        return GetConfigDescriptor(request);
    case IOCTL_CAM_VENDOR_REQUEST:
        return CamRequestVendor(request);
    case IOCTL_CAM_NOP:
        return STATUS_SUCCESS;
    case IOCTL_CAM_DOWNLOAD_512:
        return CamRequestDownload512(request);
    case IOCTL_CAM_RESET_PORT:
        return ResetPort(request);
    case IOCTL_CAM_RESET_PIPE:
        return PipeIndexRequest(request, URB_FUNCTION_RESET_PIPE);
    case IOCTL_CAM_ABORT_PIPE:
        return AbortPipe(request);
    case IOCTL_CAM_SELECT_INTERFACE:
        return SelectInterface(request);
    case IOCTL_CAM_GET_STRING_DESCRIPTOR:
        return CamRequestStringDescriptor(request);
    case IOCTL_CAM_PIPE_READ:
    case IOCTL_CAM_PIPE_WRITE:
        return CamPipeTransfer(request.pExt, request.pIrp, &request.nInformation);
    case IOCTL_CAM_GET_FRAME_NUMBER:
        return CamRequestFrameNumber(request);
    case IOCTL_CAM_CONTROL_REQUEST:
        return CamRequestControl(request);
    case IOCTL_CAM_GET_LAST_USB_STATUS:
        return GetLastUsbStatus(request);
    case IOCTL_CAM_DOWNLOAD_64:
        return CamRequestDownload64(request);
    case IOCTL_CAM_GET_DRIVER_VERSION:
        return GetDriverVersion(request);
    case IOCTL_CAM_SET_FEATURE:
        return CamRequestSetFeature(request);
    case IOCTL_CAM_SET_TIMEOUT:
        return SetTimeout(request);
    case IOCTL_CAM_ISO_READ:
    case IOCTL_CAM_ISO_WRITE:
        return CamRequestIsoTransfer(request);
    case IOCTL_CAM_START_ISO_STREAM:
        return CamRequestStartIsoStream(request);
    case IOCTL_CAM_STOP_ISO_STREAM:
        return CamRequestStopIsoStream(request);
    case IOCTL_CAM_READ_ISO_STREAM:
        return CamRequestReadIsoStream(request);
    default:
        return STATUS_INVALID_PARAMETER;
    }
}

} // namespace

NTSTATUS CamDispatchDeviceControl(DEVICE_OBJECT* pDevice, IRP* pIrp)
{
    CAM_DEVICE_EXTENSION* pExt = CamExtension(pDevice);
    pIrp->IoStatus.Information = 0;
    if (!CamIoIncrement(pExt)) {
        pIrp->IoStatus.Status = STATUS_DELETE_PENDING;
        IoCompleteRequest(pIrp, IO_NO_INCREMENT);
        return STATUS_DELETE_PENDING;
    }
    IO_STACK_LOCATION* pStack = IoGetCurrentIrpStackLocation(pIrp);
    CAM_REQUEST request{pExt,
                        pIrp,
                        pStack->Parameters.DeviceIoControl.IoControlCode,
                        static_cast<UCHAR*>(pIrp->AssociatedIrp.SystemBuffer),
                        pStack->Parameters.DeviceIoControl.InputBufferLength,
                        pStack->Parameters.DeviceIoControl.OutputBufferLength,
                        static_cast<UCHAR*>(MmGetSystemAddressForMdlSafe(pIrp->MdlAddress)),
                        MmGetMdlByteCount(pIrp->MdlAddress)};
    const NTSTATUS status = HandleRequest(request);
    pIrp->IoStatus.Status = status;
    pIrp->IoStatus.Information = NT_SUCCESS(status) ? request.nInformation : 0;
    IoCompleteRequest(pIrp, IO_NO_INCREMENT);
    CamIoDecrement(pExt); // removal may go on from here
    return status;
}
