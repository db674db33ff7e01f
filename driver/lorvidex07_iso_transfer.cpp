// Lorvidex07Drv: the isochronous transfer (IOCTL_CAM_ISO_READ and IOCTL_CAM_ISO_WRITE): N
// packets of P bytes through the caller's buffer, K packets per request, T requests in flight,
// each request sent again for its next packets until all N are done.
#include "driver/cam_iso_context.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr ULONG ISO_DESCRIPTOR_SIZE = sizeof(USBD_ISO_PACKET_DESCRIPTOR);

// Completion of one request: its packet descriptors go to the descriptor area at its first
// packet's position, then it carries the packets K x T further on, or ends.
NTSTATUS OnIsoTransferDone(DEVICE_OBJECT*, IRP*, PVOID pRecord)
{
    auto* pTransfer = static_cast<CAM_ISO_TRANSFER*>(pRecord);
    CAM_ISO_CONTEXT* pContext = pTransfer->Context;
    const ULONG K = pContext->PacketsPerTransfer;
    std::memcpy(pContext->Descriptors + static_cast<std::size_t>(pTransfer->FirstPacket) * ISO_DESCRIPTOR_SIZE,
                pTransfer->Urb()->UrbIsochronousTransfer.IsoPacket, static_cast<std::size_t>(K) * ISO_DESCRIPTOR_SIZE);

    // A failed request ends its transfer: the device is gone, the pipe was aborted, or the
    // device is being removed; its remaining packets keep zero descriptors.
    const NTSTATUS status = CamIsoTransferStatus(pTransfer);
    if (!NT_SUCCESS(status)) {
        NTSTATUS expected = STATUS_SUCCESS;
        pContext->Failure.compare_exchange_strong(expected, status);
    }
    pTransfer->FirstPacket += K * pContext->TransfersInFlight;
    if (NT_SUCCESS(status) && !pContext->Ext->Removing && pTransfer->FirstPacket < pContext->PacketCount) {
        CamPrepareIsoTransfer(pTransfer,
                              pContext->Data + static_cast<std::size_t>(pTransfer->FirstPacket) * pContext->PacketSize,
                              &OnIsoTransferDone);
        CamSendIsoTransfer(pTransfer);
        return STATUS_MORE_PROCESSING_REQUIRED; // the record is not touched after sending
    }
    pTransfer->Irp.reset();
    pTransfer->UrbBlock.reset();
    KeSetEvent(&pTransfer->Done); // the last touch: the waiting request frees the context
    return STATUS_MORE_PROCESSING_REQUIRED;
}

} // namespace

// Input: u32 pipe index, u32 packet size P, u32 packet count N, u32 packets per transfer K,
// u32 transfers in flight T. Output (direct): N x P data bytes, then N packet descriptors of
// 12 bytes. N must be a whole number of requests of K packets: N = 24 with K = 8 and T = 2
// runs 0-7 and 8-15, then 16-23 with the first request again, while N = 20 is refused with
// STATUS_INVALID_PARAMETER, like zero P, N, K or T. When N / K is less than T, only N / K
// requests go out (the others would have no packets to carry).
NTSTATUS CamRequestIsoTransfer(CAM_REQUEST& request)
{
    CAM_ISO_PARAMETERS parameters;
    if (!CamReadIsoParameters(request, &parameters))
        return STATUS_INVALID_PARAMETER;
    USBD_PIPE_INFORMATION pipe{};
    NTSTATUS status = CamCheckIsoPipe(request.pExt, parameters.PipeIndex, &pipe);
    if (!NT_SUCCESS(status))
        return status;
    const ULONG N = parameters.Packets;
    const ULONG K = parameters.PacketsPerTransfer;
    if (K == 0 || parameters.TransfersInFlight == 0 || N == 0 || parameters.PacketSize == 0 || N % K != 0)
        return STATUS_INVALID_PARAMETER;
    const ULONG T = std::min(parameters.TransfersInFlight, N / K);
    parameters.TransfersInFlight = T;
    const std::uint64_t nDataBytes = static_cast<std::uint64_t>(N) * parameters.PacketSize;
    if (!request.pDirect || request.nDirect < nDataBytes + static_cast<std::uint64_t>(N) * ISO_DESCRIPTOR_SIZE)
        return STATUS_UNSUCCESSFUL;

    std::unique_ptr<CAM_ISO_CONTEXT> pContext = CamAllocateIsoContext(request.pExt, parameters, pipe);
    if (!pContext)
        return STATUS_NO_MEMORY;
    pContext->PacketCount = N;
    pContext->Data = request.pDirect;
    pContext->Descriptors = request.pDirect + nDataBytes;
    std::memset(pContext->Descriptors, 0, static_cast<std::size_t>(N) * ISO_DESCRIPTOR_SIZE);

    for (ULONG t = 0; t < T; ++t) {
        CAM_ISO_TRANSFER* pTransfer = &pContext->Transfers[t];
        pTransfer->FirstPacket = t * K;
        CamPrepareIsoTransfer(pTransfer, pContext->Data + static_cast<std::size_t>(t) * K * parameters.PacketSize,
                              &OnIsoTransferDone);
    }
    for (ULONG t = 0; t < T; ++t)
        CamSendIsoTransfer(&pContext->Transfers[t]);
    for (ULONG t = 0; t < T; ++t)
        KeWaitForSingleObject(&pContext->Transfers[t].Done, nullptr);
    return pContext->Failure.load();
}
