// Spin locks of the kernel-services layer: short exclusive sections around shared fields.
#pragma once

#include "driver/kernel/ks_base.h"

#include <mutex>

using KIRQL = UCHAR;
constexpr KIRQL PASSIVE_LEVEL = 0;
constexpr KIRQL APC_LEVEL = 1;
constexpr KIRQL DISPATCH_LEVEL = 2;

// In user space a spin lock is a mutex: a thread that finds it taken sleeps instead of
// spinning. Holders keep it for a few loads and stores only and never block inside.
struct KSPIN_LOCK {
    std::mutex m_Mutex;
};

inline void KeInitializeSpinLock(KSPIN_LOCK*) {}
inline void KeAcquireSpinLock(KSPIN_LOCK* pLock, KIRQL* pOldIrql)
{
    pLock->m_Mutex.lock();
    *pOldIrql = PASSIVE_LEVEL;
}
inline void KeReleaseSpinLock(KSPIN_LOCK* pLock, KIRQL) { pLock->m_Mutex.unlock(); }

// Holds a spin lock for the life of the object.
class CKsSpinLockGuard {
public:
    explicit CKsSpinLockGuard(KSPIN_LOCK* pLock) : m_pLock(pLock) { KeAcquireSpinLock(m_pLock, &m_OldIrql); }
    ~CKsSpinLockGuard() { KeReleaseSpinLock(m_pLock, m_OldIrql); }
    CKsSpinLockGuard(const CKsSpinLockGuard&) = delete;
    CKsSpinLockGuard& operator=(const CKsSpinLockGuard&) = delete;

private:
    KSPIN_LOCK* m_pLock;
    KIRQL m_OldIrql = PASSIVE_LEVEL;
};
