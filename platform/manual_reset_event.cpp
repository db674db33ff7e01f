#include "platform/manual_reset_event.h"

#include <chrono>

void CManualResetEvent::Set()
{
    {
        std::lock_guard lock(m_Mutex);
        m_bSet = true;
    }
    m_Changed.notify_all();
}

void CManualResetEvent::Reset()
{
    std::lock_guard lock(m_Mutex);
    m_bSet = false;
}

bool CManualResetEvent::IsSet() const
{
    std::lock_guard lock(m_Mutex);
    return m_bSet;
}

bool CManualResetEvent::Wait(DWORD dwMilliseconds) const
{
    std::unique_lock lock(m_Mutex);
    if (dwMilliseconds == INFINITE) {
        m_Changed.wait(lock, [this] { return m_bSet; });
        return true;
    }
    return m_Changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), [this] { return m_bSet; });
}
