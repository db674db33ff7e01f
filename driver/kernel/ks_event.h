// Kernel events: notification and synchronization events with waits that may time out.
#pragma once

#include "driver/kernel/ks_base.h"

#include <condition_variable>
#include <mutex>

enum EVENT_TYPE { NotificationEvent, SynchronizationEvent };

// A notification event stays set until cleared and releases every waiter; a
// synchronization event releases one waiter and clears itself. Any thread may set, clear
// or wait. The thread that sets an event touches it for the last time inside KeSetEvent,
// so a waiter may destroy the event as soon as its wait returns.
class KEVENT {
public:
    KEVENT() = default;
    KEVENT(const KEVENT&) = delete;
    KEVENT& operator=(const KEVENT&) = delete;

private:
    friend void KeInitializeEvent(KEVENT*, EVENT_TYPE, BOOLEAN);
    friend LONG KeSetEvent(KEVENT*, LONG, BOOLEAN);
    friend void KeClearEvent(KEVENT*);
    friend LONG KeReadStateEvent(KEVENT*);
    friend NTSTATUS KeWaitForSingleObject(KEVENT*, const LARGE_INTEGER*);

    std::mutex m_Mutex; // guards m_bSignalled and m_Type
    std::condition_variable m_Changed;
    EVENT_TYPE m_Type = NotificationEvent;
    bool m_bSignalled = false;
};

void KeInitializeEvent(KEVENT* pEvent, EVENT_TYPE type, BOOLEAN bState);
// Answers the previous state (1 set, 0 clear). The two last arguments are the priority
// increment and the wait flag of the platform's call; they have no effect here.
LONG KeSetEvent(KEVENT* pEvent, LONG nIncrement = 0, BOOLEAN bWait = 0);
void KeClearEvent(KEVENT* pEvent);
LONG KeReadStateEvent(KEVENT* pEvent);
// Waits until the event is set: STATUS_SUCCESS, or STATUS_TIMEOUT when pTimeout (null: no
// limit) passes first. A negative time-out is relative, in 100-ns units.
NTSTATUS KeWaitForSingleObject(KEVENT* pEvent, const LARGE_INTEGER* pTimeout);
