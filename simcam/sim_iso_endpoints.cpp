#include "simcam/sim_iso_endpoints.h"

#include <algorithm>
#include <iterator>

CSimIsoEndpoints::CSimIsoEndpoints(BYTE nInEndpoint, BYTE nOutEndpoint, WORD nMaxPacket)
    : m_nInEndpoint(nInEndpoint), m_nOutEndpoint(nOutEndpoint), m_nMaxPacket(nMaxPacket), m_tStart(Clock::now())
{
    m_Queued.reserve(MAX_QUEUED);
    m_Thread = std::thread(&CSimIsoEndpoints::Thread, this);
}

CSimIsoEndpoints::~CSimIsoEndpoints()
{
    std::vector<QUEUED_ISO> queued;
    {
        std::lock_guard lock(m_Mutex);
        m_bShutdown = true;
        queued = TakeLocked(0);
        m_Changed.notify_all();
    }
    End(queued, USBD_STATUS_CANCELED);
    m_Thread.join();
}

std::uint64_t CSimIsoEndpoints::MicroframeNow() const
{
    return static_cast<std::uint64_t>((Clock::now() - m_tStart) / MICROFRAME);
}

CSimIsoEndpoints::Clock::time_point CSimIsoEndpoints::TimeOf(std::uint64_t nMicroframe) const
{
    return m_tStart + MICROFRAME * static_cast<std::int64_t>(nMicroframe);
}

std::vector<CSimIsoEndpoints::QUEUED_ISO> CSimIsoEndpoints::TakeLocked(BYTE nEndpoint)
{
    std::vector<QUEUED_ISO> taken;
    auto matches = [nEndpoint](const QUEUED_ISO& t) { return nEndpoint == 0 || t.nEndpoint == nEndpoint; };
    std::copy_if(m_Queued.begin(), m_Queued.end(), std::back_inserter(taken), matches);
    std::erase_if(m_Queued, matches);
    ++m_nChanges;
    m_Changed.notify_all();
    return taken;
}

void CSimIsoEndpoints::End(const std::vector<QUEUED_ISO>& transfers, USBD_STATUS status)
{
    for (const QUEUED_ISO& t : transfers) {
        for (ULONG k = 0; k < t.nPackets; ++k)
            t.pPackets[k] = USBD_ISO_PACKET_DESCRIPTOR{t.pPackets[k].Offset, 0, status};
        t.pfnDone(t.pKey, t.pContext, status, 0);
    }
}

void CSimIsoEndpoints::SetActive(bool bActive)
{
    std::vector<QUEUED_ISO> queued;
    {
        std::lock_guard lock(m_Mutex);
        m_bActive = bActive;
        if (!bActive)
            queued = TakeLocked(0);
    }
    End(queued, USBD_STATUS_CANCELED);
}

void CSimIsoEndpoints::Unplug()
{
    std::vector<QUEUED_ISO> queued;
    {
        std::lock_guard lock(m_Mutex);
        m_bUnplugged = true;
        queued = TakeLocked(0);
    }
    End(queued, USBD_STATUS_DEVICE_GONE);
}

USBD_STATUS CSimIsoEndpoints::Queue(BYTE nEndpoint, BYTE* pBuffer, USBD_ISO_PACKET_DESCRIPTOR* pPackets,
                                    ULONG nPackets, PSIM_TRANSFER_DONE pfnDone, void* pKey, void* pContext)
{
    std::lock_guard lock(m_Mutex);
    if (m_bUnplugged || m_bShutdown)
        return USBD_STATUS_DEVICE_GONE;
    if (!m_bActive || !IsIsochronousEndpoint(nEndpoint))
        return USBD_STATUS_STALL_PID;
    if (nPackets == 0 || !pPackets)
        return USBD_STATUS_INVALID_PARAMETER;
    if (m_Queued.size() >= MAX_QUEUED)
        return USBD_STATUS_INSUFFICIENT_RESOURCES;
    m_Queued.push_back({nEndpoint, pBuffer, pPackets, nPackets, pfnDone, pKey, pContext, UNSCHEDULED});
    ++m_nChanges;
    m_Changed.notify_all();
    return USBD_STATUS_PENDING;
}

void CSimIsoEndpoints::Cancel(void* pKey)
{
    std::vector<QUEUED_ISO> cancelled;
    {
        std::lock_guard lock(m_Mutex);
        auto it =
            std::find_if(m_Queued.begin(), m_Queued.end(), [pKey](const QUEUED_ISO& t) { return t.pKey == pKey; });
        if (it == m_Queued.end())
            return;
        cancelled.push_back(*it);
        m_Queued.erase(it);
        ++m_nChanges;
        m_Changed.notify_all();
    }
    End(cancelled, USBD_STATUS_CANCELED);
}

void CSimIsoEndpoints::Abort(BYTE nEndpoint)
{
    std::vector<QUEUED_ISO> queued;
    {
        std::lock_guard lock(m_Mutex);
        queued = TakeLocked(nEndpoint);
    }
    End(queued, USBD_STATUS_CANCELED);
}

SIM_ISO_STATS CSimIsoEndpoints::GetStats() const
{
    std::lock_guard lock(m_Mutex);
    return m_Stats;
}

int CSimIsoEndpoints::ScheduleLocked(std::uint64_t nNow)
{
    int nFirst = -1;
    std::uint64_t nFirstEnd = 0;
    for (BYTE nEndpoint : {m_nInEndpoint, m_nOutEndpoint}) {
        auto it = std::find_if(m_Queued.begin(), m_Queued.end(),
                               [nEndpoint](const QUEUED_ISO& t) { return t.nEndpoint == nEndpoint; });
        if (it == m_Queued.end())
            continue;
        if (it->nStart == UNSCHEDULED)
            it->nStart = std::max(nNow, NextFreeLocked(nEndpoint));
        const std::uint64_t nEnd = it->nStart + it->nPackets;
        if (nFirst < 0 || nEnd < nFirstEnd) {
            nFirst = static_cast<int>(it - m_Queued.begin());
            nFirstEnd = nEnd;
        }
    }
    return nFirst;
}

void CSimIsoEndpoints::Deliver(const QUEUED_ISO& transfer, DWORD* pnBytes, SIM_ISO_STATS* pStats) const
{
    DWORD nBytes = 0;
    const bool bIn = transfer.nEndpoint == m_nInEndpoint;
    for (ULONG k = 0; k < transfer.nPackets; ++k) {
        USBD_ISO_PACKET_DESCRIPTOR& packet = transfer.pPackets[k];
        const DWORD nLength = std::min<DWORD>(packet.Length, m_nMaxPacket);
        BYTE* pData = transfer.pBuffer + packet.Offset;
        if (bIn) {
            const std::uint64_t nMicroframe = transfer.nStart + k;
            for (DWORD i = 0; i < nLength; ++i)
                pData[i] = i < 4 ? static_cast<BYTE>(nMicroframe >> (8 * i)) : static_cast<BYTE>(nMicroframe + i);
            ++pStats->nInPackets;
        } else {
            for (DWORD i = 0; i < nLength; ++i)
                pStats->nOutChecksum += pData[i];
            pStats->nOutBytes += nLength;
            ++pStats->nOutPackets;
        }
        packet.Length = nLength;
        packet.Status = USBD_STATUS_SUCCESS;
        nBytes += nLength;
    }
    *pnBytes = nBytes;
}

void CSimIsoEndpoints::Thread()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_bShutdown || !m_Queued.empty(); });
        if (m_bShutdown)
            return;
        const std::uint64_t nChanges = m_nChanges;
        const int nIndex = ScheduleLocked(MicroframeNow());
        if (nIndex < 0) { // only transfers of no endpoint of ours: none can be queued
            m_Changed.wait(lock, [&] { return m_bShutdown || m_nChanges != nChanges; });
            continue;
        }
        const QUEUED_ISO& next = m_Queued[static_cast<std::size_t>(nIndex)];
        // Sleep until its last microframe has passed; wake early when the queue changes.
        const auto due = TimeOf(next.nStart + next.nPackets);
        if (m_Changed.wait_until(lock, due, [&] { return m_bShutdown || m_nChanges != nChanges; }))
            continue;

        const QUEUED_ISO transfer = next;
        m_Queued.erase(m_Queued.begin() + nIndex);
        NextFreeLocked(transfer.nEndpoint) = transfer.nStart + transfer.nPackets;
        lock.unlock();

        // Out of the queue, the transfer's buffer and packets are this thread's alone.
        SIM_ISO_STATS delivered;
        DWORD nBytes = 0;
        Deliver(transfer, &nBytes, &delivered);

        lock.lock();
        USBD_STATUS status = USBD_STATUS_SUCCESS;
        if (m_bUnplugged) {
            status = USBD_STATUS_DEVICE_GONE;
            nBytes = 0;
        } else {
            ++m_Stats.nTransfers;
            m_Stats.nInPackets += delivered.nInPackets;
            m_Stats.nOutPackets += delivered.nOutPackets;
            m_Stats.nOutBytes += delivered.nOutBytes;
            m_Stats.nOutChecksum += delivered.nOutChecksum;
        }
        lock.unlock();
        if (status != USBD_STATUS_SUCCESS)
            End({transfer}, status);
        else
            transfer.pfnDone(transfer.pKey, transfer.pContext, status, nBytes);
        lock.lock();
    }
}
