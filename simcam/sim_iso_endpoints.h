// CSimIsoEndpoints: the simulated camera's isochronous endpoints, which move one packet per
// microframe at the bus's steady rate: the IN endpoint produces numbered packets, the OUT
// endpoint takes them in.
#pragma once

#include "driver/usb_types.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Called when a queued transfer of the simulated camera ends (on the thread of the part of
// the camera that served it, or on the thread that cancels it), with no lock of the camera held.
using PSIM_TRANSFER_DONE = void (*)(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred);

struct SIM_ISO_STATS {
    DWORD nTransfers = 0;  // transfers ended with data (IN or OUT)
    DWORD nInPackets = 0;  // packets produced into transfers
    DWORD nOutPackets = 0; // packets taken in
    DWORD nOutBytes = 0;
    DWORD nOutChecksum = 0; // sum of every byte taken in
};

// The bus's microframes (125 us) are counted from the endpoints' creation. A transfer of K
// packets occupies K consecutive microframes of its endpoint, starting with the first one
// that is free when it reaches the head of its endpoint's queue (start as soon as possible)
// and ending when the last has passed. Packet number m (the microframe it was made in) of
// the IN endpoint starts with m as a little-endian u32 and goes on with the bytes
// (m + i) & 0xFF; microframes without a waiting transfer are lost, as on a real bus. Each
// packet carries min(requested length, largest packet) bytes.
//
// Every member may be called from any thread. Transfers end on the endpoints' own thread
// (which sleeps until the next one is due) or on the thread that cancels them, with no lock
// held; the endpoints only move data while active.
class CSimIsoEndpoints {
public:
    static constexpr std::chrono::microseconds MICROFRAME{125};
    static constexpr std::size_t MAX_QUEUED = 32; // transfers waiting on both endpoints together

    CSimIsoEndpoints(BYTE nInEndpoint, BYTE nOutEndpoint, WORD nMaxPacket);
    ~CSimIsoEndpoints(); // ends waiting transfers as cancelled
    CSimIsoEndpoints(const CSimIsoEndpoints&) = delete;
    CSimIsoEndpoints& operator=(const CSimIsoEndpoints&) = delete;

    // Whether the interface setting with the endpoints is selected on a configured device.
    // Becoming inactive ends the waiting transfers as cancelled.
    void SetActive(bool bActive);
    // The device is gone: waiting and later transfers end with USBD_STATUS_DEVICE_GONE.
    void Unplug();

    // Queues a transfer of nPackets packets over pBuffer as pPackets describe them (offsets
    // and requested lengths; lengths and statuses are written back). Answers
    // USBD_STATUS_PENDING, after which pfnDone(pKey, pContext, status, bytes) ends it, or a
    // failure at once: a stall for an endpoint that is not active or not isochronous, too
    // many waiting transfers.
    USBD_STATUS Queue(BYTE nEndpoint, BYTE* pBuffer, USBD_ISO_PACKET_DESCRIPTOR* pPackets, ULONG nPackets,
                      PSIM_TRANSFER_DONE pfnDone, void* pKey, void* pContext);
    // Ends the waiting transfer pKey as cancelled; one being delivered is left alone.
    void Cancel(void* pKey);
    // Ends the waiting transfers of nEndpoint (0: of both) as cancelled.
    void Abort(BYTE nEndpoint);
    bool IsIsochronousEndpoint(BYTE nEndpoint) const
    {
        return nEndpoint == m_nInEndpoint || nEndpoint == m_nOutEndpoint;
    }

    SIM_ISO_STATS GetStats() const;

private:
    using Clock = std::chrono::steady_clock;
    struct QUEUED_ISO {
        BYTE nEndpoint;
        BYTE* pBuffer;
        USBD_ISO_PACKET_DESCRIPTOR* pPackets;
        ULONG nPackets;
        PSIM_TRANSFER_DONE pfnDone;
        void* pKey;
        void* pContext;
        std::uint64_t nStart; // first microframe; UNSCHEDULED until it reaches its queue's head
    };
    static constexpr std::uint64_t UNSCHEDULED = ~std::uint64_t{0};

    std::uint64_t MicroframeNow() const;
    Clock::time_point TimeOf(std::uint64_t nMicroframe) const;
    // The head of each endpoint's queue gets its start; answers the index of the transfer
    // that ends first, or -1 when none waits.
    int ScheduleLocked(std::uint64_t nNow);
    std::uint64_t& NextFreeLocked(BYTE nEndpoint)
    {
        return nEndpoint == m_nInEndpoint ? m_nNextFreeIn : m_nNextFreeOut;
    }
    // Takes out the transfers that match (every one when nEndpoint is 0).
    std::vector<QUEUED_ISO> TakeLocked(BYTE nEndpoint);
    static void End(const std::vector<QUEUED_ISO>& transfers, USBD_STATUS status);
    // Moves the packets of a transfer that has run from microframe nStart on.
    void Deliver(const QUEUED_ISO& transfer, DWORD* pnBytes, SIM_ISO_STATS* pStats) const;
    void Thread();

    const BYTE m_nInEndpoint;
    const BYTE m_nOutEndpoint;
    const WORD m_nMaxPacket;
    const Clock::time_point m_tStart;

    mutable std::mutex m_Mutex; // guards everything below; any thread
    std::condition_variable m_Changed; // the queue or the state changed: the endpoints' thread
    std::vector<QUEUED_ISO> m_Queued;  // capacity reserved once, in arrival order
    std::uint64_t m_nChanges = 0;      // counts changes other than the thread's own
    std::uint64_t m_nNextFreeIn = 0;   // first microframe not taken on each endpoint
    std::uint64_t m_nNextFreeOut = 0;
    bool m_bActive = false;
    bool m_bUnplugged = false;
    bool m_bShutdown = false;
    SIM_ISO_STATS m_Stats;

    std::thread m_Thread; // last: starts when everything else exists
};
