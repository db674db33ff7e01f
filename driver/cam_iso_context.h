// The isochronous transfer context shared by the isochronous transfer and the stream: the
// request's parameters, the data and descriptor areas, and one record per transfer in flight.
#pragma once

#include "driver/cam_device_extension.h"
#include "driver/cam_request.h"

#include <atomic>
#include <memory>

// Input of IOCTL_CAM_ISO_READ / IOCTL_CAM_ISO_WRITE and IOCTL_CAM_START_ISO_STREAM: five
// little-endian u32 values.
struct CAM_ISO_PARAMETERS {
    ULONG PipeIndex = 0;
    ULONG PacketSize = 0;         // P
    ULONG Packets = 0;            // N for a transfer, the ring size R in packets for a stream
    ULONG PacketsPerTransfer = 0; // K
    ULONG TransfersInFlight = 0;  // T
};
constexpr ULONG CAM_ISO_INPUT_LENGTH = 20;

// One transfer in flight. Its completion routine owns it (and the request block and the
// request) while the request is below; nobody else touches it then.
struct CAM_ISO_TRANSFER {
    ULONG FirstPacket = 0; // index of the first packet it carries (transfers: in the caller's buffer)
    CAM_ISO_CONTEXT* Context = nullptr;
    KS_POOL_BLOCK UrbBlock{nullptr, CKsPoolFree{}}; // the request block with room for K packets
    KS_IRP_PTR Irp;
    KEVENT Done; // set when the transfer has ended (isochronous transfers only)

    URB* Urb() const { return reinterpret_cast<URB*>(UrbBlock.get()); }
};

struct CAM_ISO_CONTEXT {
    CAM_DEVICE_EXTENSION* Ext = nullptr;
    ULONG PacketSize = 0;  // P
    ULONG PacketCount = 0; // N (transfers only)
    USBD_PIPE_INFORMATION Pipe{};
    ULONG TransferFlags = 0;
    UCHAR* Data = nullptr;        // the data area: the caller's buffer, or the stream's private area
    UCHAR* Descriptors = nullptr; // the descriptor area behind the caller's data (transfers only)
    ULONG PacketsPerTransfer = 0; // K
    ULONG TransfersInFlight = 0;  // T
    std::unique_ptr<CAM_ISO_TRANSFER[]> Transfers;
    // The first failure of a request: a transfer's answer (its completion routines run on
    // bus threads while the request's thread waits); for a stream, what was logged.
    std::atomic<NTSTATUS> Failure{STATUS_SUCCESS};
    // Stream only: transfers not yet ended, plus one held by the start until it has sent
    // them all; whoever takes it to 0 frees the context. The private area of T x K x P
    // bytes and the two rings belong to the context.
    std::atomic<LONG> RunningTransfers{0};
    KS_POOL_BLOCK PrivateArea{nullptr, CKsPoolFree{}};
    std::unique_ptr<CAM_ISO_RING> DataRing;
    std::unique_ptr<CAM_ISO_RING> DescriptorRing;
};

// FALSE when the input is shorter than 20 bytes.
BOOL CamReadIsoParameters(const CAM_REQUEST& request, CAM_ISO_PARAMETERS* pParameters);

// The pipe checks: the index is below the pipe count and the pipe is isochronous (else
// STATUS_INVALID_PARAMETER), the pipe has a handle (else STATUS_UNSUCCESSFUL); a device
// that is not configured answers STATUS_UNSUCCESSFUL.
NTSTATUS CamCheckIsoPipe(CAM_DEVICE_EXTENSION* pExt, ULONG nPipeIndex, USBD_PIPE_INFORMATION* pPipe);

// A context with T transfer records, each with its request block for K packets and its
// request; null when memory runs out.
std::unique_ptr<CAM_ISO_CONTEXT> CamAllocateIsoContext(CAM_DEVICE_EXTENSION* pExt,
                                                       const CAM_ISO_PARAMETERS& parameters,
                                                       const USBD_PIPE_INFORMATION& pipe);

// Builds the transfer's request block for K packets over pData (packet k at k x P, length P)
// and makes its request ready to go down as an internal submit with pfnRoutine as its
// completion routine (called on success, error and cancel, with the record as context).
void CamPrepareIsoTransfer(CAM_ISO_TRANSFER* pTransfer, UCHAR* pData, PIO_COMPLETION_ROUTINE pfnRoutine);

// Hands the prepared request to the lower device. The transfer may have ended, and its
// context may be gone, when this returns.
void CamSendIsoTransfer(CAM_ISO_TRANSFER* pTransfer);

// The request's status on completion: a failed USB status is kept as the last USB status
// and turns a successful request into STATUS_UNSUCCESSFUL.
NTSTATUS CamIsoTransferStatus(CAM_ISO_TRANSFER* pTransfer);
