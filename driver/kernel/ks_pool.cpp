#include "driver/kernel/ks_pool.h"

#include <new>

void CKsPoolFree::operator()(UCHAR* pBlock) const
{
    delete[] pBlock;
    if (pPool)
        pPool->Release(nTag, nBytes);
}

KS_POOL_BLOCK CKsPool::Allocate(POOL_TYPE, std::size_t nBytes, ULONG nTag)
{
    {
        std::lock_guard lock(m_Mutex);
        if (m_nFailNext > 0) {
            --m_nFailNext;
            return KS_POOL_BLOCK(nullptr, CKsPoolFree{});
        }
    }
    UCHAR* pBlock = new (std::nothrow) UCHAR[nBytes ? nBytes : 1]();
    if (!pBlock)
        return KS_POOL_BLOCK(nullptr, CKsPoolFree{});
    std::lock_guard lock(m_Mutex);
    ++m_Outstanding[nTag];
    return KS_POOL_BLOCK(pBlock, CKsPoolFree{this, nTag, nBytes});
}

void CKsPool::Release(ULONG nTag, std::size_t)
{
    std::lock_guard lock(m_Mutex);
    auto it = m_Outstanding.find(nTag);
    if (it != m_Outstanding.end() && it->second > 0)
        --it->second;
}

std::size_t CKsPool::GetOutstandingBlocks(ULONG nTag) const
{
    std::lock_guard lock(m_Mutex);
    auto it = m_Outstanding.find(nTag);
    return it == m_Outstanding.end() ? 0 : it->second;
}

void CKsPool::FailNextAllocations(int n)
{
    std::lock_guard lock(m_Mutex);
    m_nFailNext = n;
}
