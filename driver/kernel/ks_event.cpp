#include "driver/kernel/ks_event.h"

#include <chrono>

void KeInitializeEvent(KEVENT* pEvent, EVENT_TYPE type, BOOLEAN bState)
{
    std::lock_guard lock(pEvent->m_Mutex);
    pEvent->m_Type = type;
    pEvent->m_bSignalled = bState != 0;
}

LONG KeSetEvent(KEVENT* pEvent, LONG, BOOLEAN)
{
    // Notify while holding the lock: a waiter cannot return, and so cannot destroy the
    // event, before this thread has let go of it.
    std::lock_guard lock(pEvent->m_Mutex);
    const LONG nPrevious = pEvent->m_bSignalled ? 1 : 0;
    pEvent->m_bSignalled = true;
    if (pEvent->m_Type == NotificationEvent)
        pEvent->m_Changed.notify_all();
    else
        pEvent->m_Changed.notify_one();
    return nPrevious;
}

void KeClearEvent(KEVENT* pEvent)
{
    std::lock_guard lock(pEvent->m_Mutex);
    pEvent->m_bSignalled = false;
}

LONG KeReadStateEvent(KEVENT* pEvent)
{
    std::lock_guard lock(pEvent->m_Mutex);
    return pEvent->m_bSignalled ? 1 : 0;
}

NTSTATUS KeWaitForSingleObject(KEVENT* pEvent, const LARGE_INTEGER* pTimeout)
{
    std::unique_lock lock(pEvent->m_Mutex);
    auto isSet = [pEvent] { return pEvent->m_bSignalled; };
    if (!pTimeout) {
        pEvent->m_Changed.wait(lock, isSet);
    } else {
        const LONGLONG n100ns = pTimeout->QuadPart < 0 ? -pTimeout->QuadPart : 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(n100ns * 100);
        if (!pEvent->m_Changed.wait_until(lock, deadline, isSet))
            return STATUS_TIMEOUT;
    }
    if (pEvent->m_Type == SynchronizationEvent)
        pEvent->m_bSignalled = false;
    return STATUS_SUCCESS;
}
