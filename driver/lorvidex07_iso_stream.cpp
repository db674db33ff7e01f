// Lorvidex07Drv: the continuous isochronous stream (IOCTL_CAM_START_ISO_STREAM,
// IOCTL_CAM_STOP_ISO_STREAM, IOCTL_CAM_READ_ISO_STREAM): T requests read K packets each into
// their own segment of a private area, over and over; every completion appends its packets
// to the data ring and their descriptors to the descriptor ring, from which the reader takes.
#include "driver/cam_iso_context.h"
#include "driver/usb_pdo.h"
#include "driver/usbd_helpers.h"
#include "platform/log.h"

#include <algorithm>

namespace {

constexpr ULONG ISO_DESCRIPTOR_SIZE = sizeof(USBD_ISO_PACKET_DESCRIPTOR);

// The start's own count in RunningTransfers, held while it sends the transfers.
constexpr LONG STARTER_COUNT = 1;

UCHAR* SegmentOf(CAM_ISO_CONTEXT* pContext, const CAM_ISO_TRANSFER* pTransfer)
{
    const std::size_t nIndex = static_cast<std::size_t>(pTransfer - pContext->Transfers.get());
    return pContext->Data + nIndex * pContext->PacketsPerTransfer * pContext->PacketSize;
}

// Drops one count of the stream; the last one unpublishes the context, frees it with its
// private area, records and rings, and gives back the stream's I/O reference, which may let
// a removal go on: nothing of the device is touched after that.
void ReleaseStream(CAM_ISO_CONTEXT* pContext)
{
    if (--pContext->RunningTransfers != 0)
        return;
    CAM_DEVICE_EXTENSION* pExt = pContext->Ext;
    std::unique_ptr<CAM_ISO_CONTEXT> pOwned(pContext);
    {
        CKsSpinLockGuard lock(&pExt->StreamLock); // waits for a reader inside the rings
        pExt->Stream = nullptr;
        pExt->DataRing = nullptr;
        pExt->DescriptorRing = nullptr;
    }
    pOwned.reset();
    CamIoDecrement(pExt);
}

// Completion of one stream request: its packets and descriptors go to the rings (a block
// that does not fit is dropped as a whole); then it reads its segment again, or ends when
// it failed or the stream is asked to stop.
NTSTATUS OnIsoStreamDone(DEVICE_OBJECT*, IRP*, PVOID pRecord)
{
    auto* pTransfer = static_cast<CAM_ISO_TRANSFER*>(pRecord);
    CAM_ISO_CONTEXT* pContext = pTransfer->Context;
    CAM_DEVICE_EXTENSION* pExt = pContext->Ext;
    const std::size_t K = pContext->PacketsPerTransfer;
    UCHAR* pSegment = SegmentOf(pContext, pTransfer);
    CamIsoRingAppend(pContext->DescriptorRing.get(),
                     reinterpret_cast<const UCHAR*>(pTransfer->Urb()->UrbIsochronousTransfer.IsoPacket),
                     K * ISO_DESCRIPTOR_SIZE);
    CamIsoRingAppend(pContext->DataRing.get(), pSegment, K * pContext->PacketSize);

    const NTSTATUS status = CamIsoTransferStatus(pTransfer);
    if (NT_SUCCESS(status) && !pExt->StopStream && !pExt->Removing) {
        CamPrepareIsoTransfer(pTransfer, pSegment, &OnIsoStreamDone);
        CamSendIsoTransfer(pTransfer);
        return STATUS_MORE_PROCESSING_REQUIRED; // the record is not touched after sending
    }
    // A request that fails while the stream runs ends; the stream's first such failure is
    // logged. Cancellations (an aborted pipe) and the ends of a stop or removal are asked for.
    NTSTATUS expected = STATUS_SUCCESS;
    if (!NT_SUCCESS(status) && status != STATUS_CANCELLED && !pExt->StopStream && !pExt->Removing &&
        pContext->Failure.compare_exchange_strong(expected, status))
        LogLine(ELogCategory::Driver,
                "%ls: stream request on endpoint 0x%02X failed and ended: 0x%08X (usb status 0x%08X)",
                CamLogName(pExt), pContext->Pipe.EndpointAddress, static_cast<unsigned>(status),
                static_cast<unsigned>(pTransfer->Urb()->UrbHeader.Status));
    pTransfer->Irp.reset();
    pTransfer->UrbBlock.reset();
    ReleaseStream(pContext);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

} // namespace

// Input: u32 pipe index, u32 packet size P, u32 ring size R in packets, u32 packets per
// transfer K, u32 transfers in flight T. Zero values, and a segment of K x P bytes that a
// request block cannot describe, are refused with STATUS_INVALID_PARAMETER; a start while a
// stream runs (or is still ending) with STATUS_INVALID_DEVICE_STATE.
NTSTATUS CamRequestStartIsoStream(CAM_REQUEST& request)
{
    CAM_ISO_PARAMETERS parameters;
    if (!CamReadIsoParameters(request, &parameters))
        return STATUS_INVALID_PARAMETER;
    CAM_DEVICE_EXTENSION* pExt = request.pExt;
    USBD_PIPE_INFORMATION pipe{};
    NTSTATUS status = CamCheckIsoPipe(pExt, parameters.PipeIndex, &pipe);
    if (!NT_SUCCESS(status))
        return status;
    const std::size_t P = parameters.PacketSize;
    const std::size_t R = parameters.Packets;
    const std::size_t K = parameters.PacketsPerTransfer;
    const std::size_t T = parameters.TransfersInFlight;
    if (P == 0 || R == 0 || K == 0 || T == 0 || K * P > 0xFFFFFFFFu)
        return STATUS_INVALID_PARAMETER;
    {
        CKsSpinLockGuard lock(&pExt->StreamLock);
        if (pExt->Stream)
            return STATUS_INVALID_DEVICE_STATE;
    }

    std::unique_ptr<CAM_ISO_CONTEXT> pContext = CamAllocateIsoContext(pExt, parameters, pipe);
    if (!pContext)
        return STATUS_NO_MEMORY;
    CKsPool& pool = CamPool(pExt);
    pContext->PrivateArea = pool.Allocate(NonPagedPool, T * K * P, CAM_POOL_TAG);
    pContext->DataRing = CamAllocateIsoRing(pool, CAM_POOL_TAG, R * P);
    pContext->DescriptorRing = CamAllocateIsoRing(pool, CAM_POOL_TAG, R * ISO_DESCRIPTOR_SIZE);
    if (!pContext->PrivateArea || !pContext->DataRing || !pContext->DescriptorRing)
        return STATUS_NO_MEMORY;
    pContext->Data = pContext->PrivateArea.get();
    pContext->RunningTransfers = static_cast<LONG>(T) + STARTER_COUNT;
    for (std::size_t t = 0; t < T; ++t)
        CamPrepareIsoTransfer(&pContext->Transfers[t], SegmentOf(pContext.get(), &pContext->Transfers[t]),
                              &OnIsoStreamDone);

    {
        CKsSpinLockGuard lock(&pExt->StreamLock);
        if (pExt->Stream)
            return STATUS_INVALID_DEVICE_STATE; // another start came first
        // The stream holds an I/O reference until its last transfer is back, so that a
        // removal waits for it. This request holds one, so the count cannot be draining yet.
        if (!CamIoIncrement(pExt))
            return STATUS_DELETE_PENDING;
        pExt->StopStream = 0;
        pExt->Stream = pContext.get();
        pExt->DataRing = pContext->DataRing.get();
        pExt->DescriptorRing = pContext->DescriptorRing.get();
    }
    CAM_ISO_CONTEXT* pStream = pContext.release(); // owned by its transfers from here on
    for (std::size_t t = 0; t < T; ++t)
        CamSendIsoTransfer(&pStream->Transfers[t]);
    ReleaseStream(pStream);
    return STATUS_SUCCESS;
}

NTSTATUS CamRequestStopIsoStream(CAM_REQUEST& request)
{
    request.pExt->StopStream = 1;
    return STATUS_SUCCESS;
}

// Input: exactly 20 bytes (u32 unused, u32 packet size d, u32 packet count e, two u32
// unused); output: exactly e x (d + 12) bytes. Up to e x d bytes come from the data ring, and
// the descriptors of the whole packets among them follow right behind them; the count is
// both together.
NTSTATUS CamRequestReadIsoStream(CAM_REQUEST& request)
{
    if (request.nIn != CAM_ISO_INPUT_LENGTH)
        return STATUS_INVALID_PARAMETER;
    const std::uint64_t d = request.InLong(4);
    const std::uint64_t e = request.InLong(8);
    if (request.nDirect != e * (d + ISO_DESCRIPTOR_SIZE) || (request.nDirect && !request.pDirect))
        return STATUS_INVALID_PARAMETER;
    CAM_DEVICE_EXTENSION* pExt = request.pExt;
    CKsSpinLockGuard lock(&pExt->StreamLock);
    if (!pExt->DataRing || !pExt->DescriptorRing)
        return STATUS_UNSUCCESSFUL;
    const std::size_t nData = CamIsoRingTake(pExt->DataRing, request.pDirect, static_cast<std::size_t>(e * d));
    const std::size_t nPackets = d ? nData / d : 0;
    const std::size_t nDescriptors =
        CamIsoRingTake(pExt->DescriptorRing, request.pDirect + nData, nPackets * ISO_DESCRIPTOR_SIZE);
    request.nInformation = nData + nDescriptors;
    return STATUS_SUCCESS;
}

void CamStopIsoStreamForRemoval(CAM_DEVICE_EXTENSION* pExt)
{
    pExt->StopStream = 1;
    USBD_PIPE_HANDLE hPipe = 0;
    {
        CKsSpinLockGuard lock(&pExt->StreamLock);
        if (pExt->Stream)
            hPipe = pExt->Stream->Pipe.PipeHandle;
    }
    if (!hPipe)
        return;
    USBD_VERSION_INFORMATION version{};
    USBD_GetUSBDIVersion(pExt->PhysicalDeviceObject, &version);
    URB urb;
    UsbBuildPipeRequest(&urb, URB_FUNCTION_ABORT_PIPE, hPipe,
                        version.USBDI_Version <= 0x100 ? URB_PIPE_REQUEST_LENGTH_V1 : URB_PIPE_REQUEST_LENGTH);
    CamCallUsbd(pExt, &urb);
}
