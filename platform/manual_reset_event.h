// A manual-reset event: once set, every waiter passes until it is reset.
#pragma once

#include "platform/win_types.h"

#include <condition_variable>
#include <mutex>

class CManualResetEvent {
public:
    static constexpr DWORD INFINITE = 0xFFFFFFFF;

    explicit CManualResetEvent(bool bInitiallySet = false) : m_bSet(bInitiallySet) {}
    CManualResetEvent(const CManualResetEvent&) = delete;
    CManualResetEvent& operator=(const CManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits until the event is set or dwMilliseconds have passed (INFINITE: no limit).
    // Answers whether the event was set.
    bool Wait(DWORD dwMilliseconds = INFINITE) const;

private:
    mutable std::mutex m_Mutex; // guards m_bSet
    mutable std::condition_variable m_Changed;
    bool m_bSet;
};
