// The libusb stand-in: asynchronous transfers (submit, cancel, time-out), the event handling
// that delivers their completions and the hot-plug events, and hot-plug registration. As in
// libusb, every callback runs on the thread that handles the context's events, with no lock
// of the stand-in held; a transfer's buffer is not touched once the camera has ended it.
#include "tests/libusb_standin/standin_state.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>

namespace {

// Transfers allocated and not freed: libusb_alloc_transfer takes no context to count them in.
std::atomic<std::size_t> g_nTransfersAllocated{0};

// The header in front of the public transfer, rounded so that the transfer stays aligned.
constexpr std::size_t kHeaderSize =
    (sizeof(STANDIN_TRANSFER) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

libusb_transfer_status StatusOf(USBD_STATUS status)
{
    switch (status) {
    case USBD_STATUS_SUCCESS:
        return LIBUSB_TRANSFER_COMPLETED;
    case USBD_STATUS_CANCELED:
        return LIBUSB_TRANSFER_CANCELLED;
    case USBD_STATUS_DEVICE_GONE:
        return LIBUSB_TRANSFER_NO_DEVICE;
    case USBD_STATUS_STALL_PID:
        return LIBUSB_TRANSFER_STALL;
    case USBD_STATUS_BABBLE_DETECTED:
    case USBD_STATUS_DATA_OVERRUN:
        return LIBUSB_TRANSFER_OVERFLOW;
    default:
        return LIBUSB_TRANSFER_ERROR;
    }
}

// How the transfer ended, as libusb reports it.
libusb_transfer_status TransferStatus(const STANDIN_TRANSFER& state, const libusb_transfer& transfer)
{
    if (state.nModelStatus == USBD_STATUS_CANCELED && state.bTimedOut)
        return LIBUSB_TRANSFER_TIMED_OUT;
    libusb_transfer_status status = StatusOf(state.nModelStatus);
    const bool bShortIn = transfer.type != LIBUSB_TRANSFER_TYPE_ISOCHRONOUS &&
                          (transfer.endpoint & LIBUSB_ENDPOINT_IN) &&
                          static_cast<int>(state.nModelBytes) < transfer.length;
    if (status == LIBUSB_TRANSFER_COMPLETED && bShortIn && (transfer.flags & LIBUSB_TRANSFER_SHORT_NOT_OK))
        status = LIBUSB_TRANSFER_ERROR;
    return status;
}

// The camera has ended a transfer (on any thread, or inside the submit): queue its completion.
void OnCameraDone(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred)
{
    auto* pTransfer = static_cast<libusb_transfer*>(pKey);
    auto* pState = static_cast<STANDIN_TRANSFER*>(pContext);
    libusb_context* pLibusb = pState->pContext;
    std::lock_guard lock(pLibusb->Mutex);
    pState->nModelStatus = status;
    pState->nModelBytes = nTransferred;
    pState->bEnded = true;
    pLibusb->Completed.push_back(pTransfer);
    pLibusb->Changed.notify_all();
}

// Fills in how the transfer ended and calls its callback. Context mutex held on entry and
// exit, released around the callback.
void DeliverTransferLocked(libusb_context* pContext, std::unique_lock<std::mutex>& lock, libusb_transfer* pTransfer)
{
    STANDIN_TRANSFER* pState = StandinTransferOf(pTransfer);
    pTransfer->status = TransferStatus(*pState, *pTransfer);
    if (pTransfer->type == LIBUSB_TRANSFER_TYPE_ISOCHRONOUS) {
        int nBytes = 0;
        for (int k = 0; k < pTransfer->num_iso_packets; ++k) {
            const USBD_ISO_PACKET_DESCRIPTOR& packet = pState->pModelPackets[k];
            libusb_iso_packet_descriptor& descriptor = pTransfer->iso_packet_desc[k];
            descriptor.actual_length = USBD_SUCCESS(packet.Status) ? packet.Length : 0;
            descriptor.status = StatusOf(packet.Status);
            nBytes += static_cast<int>(descriptor.actual_length);
        }
        pTransfer->actual_length = nBytes;
    } else {
        pTransfer->actual_length = static_cast<int>(pState->nModelBytes);
    }
    pState->bInFlight = false; // the callback may submit it again
    auto& inFlight = pContext->InFlight;
    inFlight.erase(std::remove(inFlight.begin(), inFlight.end(), pState), inFlight.end());
    --pState->pHandle->nTransfersInFlight;
    const bool bFree = (pTransfer->flags & LIBUSB_TRANSFER_FREE_TRANSFER) != 0;
    lock.unlock();
    {
        std::lock_guard busLock(pContext->pBus->Mutex);
        ++pContext->pBus->nCallbacks;
    }
    pTransfer->callback(pTransfer);
    if (bFree)
        libusb_free_transfer(pTransfer);
    lock.lock();
}

// Calls the hot-plug callbacks that want the event. Context mutex held on entry and exit,
// released around each callback.
void DeliverHotplugLocked(libusb_context* pContext, std::unique_lock<std::mutex>& lock, STANDIN_HOTPLUG_EVENT event)
{
    std::vector<libusb_hotplug_callback_handle> handles;
    for (const STANDIN_HOTPLUG_CALLBACK& callback : pContext->Callbacks)
        handles.push_back(callback.hHandle);
    for (libusb_hotplug_callback_handle hHandle : handles) {
        // Checked again for each one: a callback deregistered meanwhile is not called.
        auto it = std::find_if(pContext->Callbacks.begin(), pContext->Callbacks.end(),
                               [hHandle](const auto& callback) { return callback.hHandle == hHandle; });
        if (it == pContext->Callbacks.end() || !StandinHotplugMatches(*it, event.pDevice, event.Event))
            continue;
        const STANDIN_HOTPLUG_CALLBACK callback = *it;
        lock.unlock();
        const int nDone = callback.pfnCallback(pContext, event.pDevice, event.Event, callback.pUserData);
        lock.lock();
        if (nDone)
            std::erase_if(pContext->Callbacks, [hHandle](const auto& other) { return other.hHandle == hHandle; });
    }
    StandinUnrefLocked(event.pDevice);
    lock.unlock();
    {
        std::lock_guard busLock(pContext->pBus->Mutex);
        ++pContext->pBus->nHotplugDelivered;
        pContext->pBus->HotplugDelivered.notify_all();
    }
    lock.lock();
}

// Cancels the transfers whose time-out has passed; answers the nearest deadline still ahead
// (0: none). Context mutex held on entry and exit.
std::int64_t ExpireLocked(libusb_context* pContext, std::unique_lock<std::mutex>& lock)
{
    const std::int64_t nNow = NowNs();
    std::vector<std::pair<CSimCamera*, libusb_transfer*>> expired;
    std::int64_t nNearest = 0;
    for (STANDIN_TRANSFER* pState : pContext->InFlight) {
        if (!pState->nDeadlineNs || pState->bEnded || pState->bCancelAsked)
            continue;
        if (pState->nDeadlineNs <= nNow) {
            pState->bTimedOut = true;
            pState->bCancelAsked = true;
            auto* pTransfer = reinterpret_cast<libusb_transfer*>(reinterpret_cast<char*>(pState) + kHeaderSize);
            expired.emplace_back(pState->pPort->pCamera.get(), pTransfer);
        } else if (!nNearest || pState->nDeadlineNs < nNearest) {
            nNearest = pState->nDeadlineNs;
        }
    }
    if (!expired.empty()) {
        lock.unlock();
        for (const auto& [pCamera, pTransfer] : expired)
            pCamera->CancelTransfer(pTransfer);
        lock.lock();
    }
    return nNearest;
}

// Marks the calling thread as handling events while it exists.
class CEventThreadScope {
public:
    CEventThreadScope() { StandinSetEventThread(true); }
    ~CEventThreadScope() { StandinSetEventThread(false); }
    CEventThreadScope(const CEventThreadScope&) = delete;
    CEventThreadScope& operator=(const CEventThreadScope&) = delete;
};

} // namespace

STANDIN_TRANSFER* StandinTransferOf(libusb_transfer* pTransfer)
{
    return reinterpret_cast<STANDIN_TRANSFER*>(reinterpret_cast<char*>(pTransfer) - kHeaderSize);
}

std::size_t StandinTransfersAllocated() { return g_nTransfersAllocated.load(); }

extern "C" {

libusb_transfer* LIBUSB_CALL libusb_alloc_transfer(int nIsoPackets)
{
    if (nIsoPackets < 0)
        return nullptr;
    const auto nPackets = static_cast<std::size_t>(nIsoPackets);
    const std::size_t nSize = kHeaderSize + sizeof(libusb_transfer) +
                              nPackets * sizeof(libusb_iso_packet_descriptor) +
                              nPackets * sizeof(USBD_ISO_PACKET_DESCRIPTOR);
    // Handed out through the C interface and freed by libusb_free_transfer.
    auto* pBlock = static_cast<char*>(std::calloc(1, nSize));
    if (!pBlock)
        return nullptr;
    auto* pState = reinterpret_cast<STANDIN_TRANSFER*>(pBlock);
    auto* pTransfer = reinterpret_cast<libusb_transfer*>(pBlock + kHeaderSize);
    pState->nIsoCapacity = nIsoPackets;
    pState->pModelPackets = reinterpret_cast<USBD_ISO_PACKET_DESCRIPTOR*>(
        pBlock + kHeaderSize + sizeof(libusb_transfer) + nPackets * sizeof(libusb_iso_packet_descriptor));
    pTransfer->num_iso_packets = nIsoPackets;
    ++g_nTransfersAllocated;
    return pTransfer;
}

void LIBUSB_CALL libusb_free_transfer(libusb_transfer* pTransfer)
{
    if (!pTransfer)
        return;
    STANDIN_TRANSFER* pState = StandinTransferOf(pTransfer);
    if (pState->pContext) {
        std::unique_lock lock(pState->pContext->Mutex);
        if (pState->bInFlight) {
            lock.unlock();
            std::lock_guard busLock(pState->pContext->pBus->Mutex);
            pState->pContext->pBus->Misuse("libusb_free_transfer of a transfer in flight");
            return; // kept: the camera still writes into it
        }
    }
    --g_nTransfersAllocated;
    std::free(pState);
}

int LIBUSB_CALL libusb_submit_transfer(libusb_transfer* pTransfer)
{
    STANDIN_TRANSFER* pState = StandinTransferOf(pTransfer);
    libusb_device_handle* pHandle = pTransfer->dev_handle;
    libusb_context* pContext = pHandle->pDevice->pContext;
    STANDIN_PORT* pPort = pHandle->pDevice->pPort.get();
    const bool bIso = pTransfer->type == LIBUSB_TRANSFER_TYPE_ISOCHRONOUS;
    if (!bIso && pTransfer->type != LIBUSB_TRANSFER_TYPE_BULK && pTransfer->type != LIBUSB_TRANSFER_TYPE_INTERRUPT)
        return LIBUSB_ERROR_NOT_SUPPORTED; // asynchronous control transfers: the back end has none
    if (pTransfer->length < 0 || (bIso && pTransfer->num_iso_packets > pState->nIsoCapacity))
        return LIBUSB_ERROR_INVALID_PARAM;
    {
        std::unique_lock lock(pContext->Mutex);
        if (pState->bInFlight) {
            lock.unlock();
            std::lock_guard busLock(pContext->pBus->Mutex);
            pContext->pBus->Misuse("libusb_submit_transfer of a transfer in flight");
            return LIBUSB_ERROR_BUSY;
        }
        if (pPort->bGone)
            return LIBUSB_ERROR_NO_DEVICE;
        pState->pContext = pContext;
        pState->pHandle = pHandle;
        pState->pPort = pPort;
        pState->bInFlight = true;
        pState->bEnded = false;
        pState->bCancelAsked = false;
        pState->bTimedOut = false;
        pState->nDeadlineNs = pTransfer->timeout ? NowNs() + std::int64_t{pTransfer->timeout} * 1000000 : 0;
        pState->nModelStatus = USBD_STATUS_PENDING;
        pState->nModelBytes = 0;
        pContext->InFlight.push_back(pState);
        ++pHandle->nTransfersInFlight;
        pContext->Changed.notify_all(); // a new deadline for the event handling
    }

    CSimCamera& camera = *pPort->pCamera;
    USBD_STATUS status = USBD_STATUS_PENDING;
    DWORD nMoved = 0;
    if (bIso) {
        // The packets lie one after the other in the buffer.
        ULONG nOffset = 0;
        for (int k = 0; k < pTransfer->num_iso_packets; ++k) {
            pState->pModelPackets[k] = {nOffset, pTransfer->iso_packet_desc[k].length, USBD_STATUS_SUCCESS};
            nOffset += pTransfer->iso_packet_desc[k].length;
        }
        status = camera.IsoTransfer(pTransfer->endpoint, pTransfer->buffer, pState->pModelPackets,
                                    static_cast<ULONG>(pTransfer->num_iso_packets), &OnCameraDone, pTransfer, pState);
    } else {
        status = camera.BulkTransfer(pTransfer->endpoint, pTransfer->buffer, static_cast<DWORD>(pTransfer->length),
                                     &nMoved, &OnCameraDone, pTransfer, pState);
    }
    if (status == USBD_STATUS_PENDING)
        return LIBUSB_SUCCESS;
    std::lock_guard lock(pContext->Mutex);
    if (status == USBD_STATUS_DEVICE_GONE || status == USBD_STATUS_INSUFFICIENT_RESOURCES ||
        status == USBD_STATUS_INVALID_PIPE_HANDLE) {
        // Refused by the system before it reached the device.
        pState->bInFlight = false;
        auto& inFlight = pContext->InFlight;
        inFlight.erase(std::remove(inFlight.begin(), inFlight.end(), pState), inFlight.end());
        --pHandle->nTransfersInFlight;
        return StandinErrorOf(status);
    }
    // Ended at once (a command, a reply, a stall): completed through the event handling.
    pState->nModelStatus = status;
    pState->nModelBytes = nMoved;
    pState->bEnded = true;
    pContext->Completed.push_back(pTransfer);
    pContext->Changed.notify_all();
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_cancel_transfer(libusb_transfer* pTransfer)
{
    STANDIN_TRANSFER* pState = StandinTransferOf(pTransfer);
    libusb_context* pContext = pState->pContext;
    if (!pContext)
        return LIBUSB_ERROR_NOT_FOUND; // never submitted
    CSimCamera* pCamera = nullptr;
    {
        std::lock_guard lock(pContext->Mutex);
        if (!pState->bInFlight || pState->bEnded || pState->bCancelAsked)
            return LIBUSB_ERROR_NOT_FOUND;
        pState->bCancelAsked = true;
        pCamera = pState->pPort->pCamera.get();
    }
    pCamera->CancelTransfer(pTransfer); // one the camera is delivering ends normally
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_handle_events_timeout_completed(libusb_context* pContext, struct timeval* pTimeout,
                                                       int* pbCompleted)
{
    std::lock_guard eventLock(pContext->EventLock);
    const CEventThreadScope scope;
    const std::int64_t nEnd =
        NowNs() + (pTimeout ? std::int64_t{pTimeout->tv_sec} * 1000000000 + std::int64_t{pTimeout->tv_usec} * 1000 : 0);
    std::unique_lock lock(pContext->Mutex);
    for (;;) {
        if (pContext->bInterrupted) {
            pContext->bInterrupted = false;
            return LIBUSB_ERROR_INTERRUPTED;
        }
        if (!pContext->HotplugEvents.empty() || !pContext->Completed.empty()) {
            while (!pContext->HotplugEvents.empty()) {
                const STANDIN_HOTPLUG_EVENT event = pContext->HotplugEvents.front();
                pContext->HotplugEvents.pop_front();
                DeliverHotplugLocked(pContext, lock, event);
            }
            while (!pContext->Completed.empty()) {
                libusb_transfer* pTransfer = pContext->Completed.front();
                pContext->Completed.pop_front();
                DeliverTransferLocked(pContext, lock, pTransfer);
            }
            return LIBUSB_SUCCESS;
        }
        if (pbCompleted && *pbCompleted)
            return LIBUSB_SUCCESS;
        const std::int64_t nNearest = ExpireLocked(pContext, lock);
        const std::int64_t nNow = NowNs();
        if (nNow >= nEnd)
            return LIBUSB_SUCCESS;
        if (!pContext->Completed.empty())
            continue; // a cancelled transfer has ended
        const std::int64_t nWake = nNearest ? std::min(nNearest, nEnd) : nEnd;
        pContext->Changed.wait_for(lock, std::chrono::nanoseconds(nWake - nNow));
    }
}

void LIBUSB_CALL libusb_interrupt_event_handler(libusb_context* pContext)
{
    std::lock_guard lock(pContext->Mutex);
    pContext->bInterrupted = true;
    pContext->Changed.notify_all();
}

int LIBUSB_CALL libusb_hotplug_register_callback(libusb_context* pContext, int nEvents, int nFlags, int nVendorId,
                                                 int nProductId, int nClass, libusb_hotplug_callback_fn pfnCallback,
                                                 void* pUserData, libusb_hotplug_callback_handle* phCallback)
{
    if (!pContext || !pfnCallback || !nEvents)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return LIBUSB_ERROR_NOT_SUPPORTED;
    STANDIN_HOTPLUG_CALLBACK callback{0, nEvents, nVendorId, nProductId, nClass, pfnCallback, pUserData};
    std::vector<libusb_device*> present; // each with a reference for the time of its call
    {
        std::lock_guard lock(pContext->Mutex);
        callback.hHandle = pContext->hNextCallback++;
        pContext->Callbacks.push_back(callback);
        if (nFlags & LIBUSB_HOTPLUG_ENUMERATE)
            for (const auto& [nPort, pDevice] : pContext->Attached)
                if (StandinHotplugMatches(callback, pDevice, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED)) {
                    ++pDevice->nRefs;
                    present.push_back(pDevice);
                }
    }
    if (phCallback)
        *phCallback = callback.hHandle;
    // The devices present now arrive at once, on the registering thread, as in libusb.
    for (libusb_device* pDevice : present) {
        pfnCallback(pContext, pDevice, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, pUserData);
        libusb_unref_device(pDevice);
    }
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_hotplug_deregister_callback(libusb_context* pContext,
                                                    libusb_hotplug_callback_handle hCallback)
{
    std::lock_guard lock(pContext->Mutex);
    std::erase_if(pContext->Callbacks, [hCallback](const auto& callback) { return callback.hHandle == hCallback; });
}

} // extern "C"
