// Pool memory of the kernel-services layer: zero-filled blocks carrying a four-byte tag, counted per tag.
#pragma once

#include "driver/kernel/ks_base.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

enum POOL_TYPE { NonPagedPool, PagedPool };

// A tag is four characters; its bytes in memory are the characters in order.
constexpr ULONG MakePoolTag(char a, char b, char c, char d)
{
    return static_cast<ULONG>(static_cast<UCHAR>(a)) | static_cast<ULONG>(static_cast<UCHAR>(b)) << 8 |
           static_cast<ULONG>(static_cast<UCHAR>(c)) << 16 | static_cast<ULONG>(static_cast<UCHAR>(d)) << 24;
}

class CKsPool;

// Gives a block back to its pool.
struct CKsPoolFree {
    CKsPool* pPool = nullptr;
    ULONG nTag = 0;
    std::size_t nBytes = 0;
    void operator()(UCHAR* pBlock) const;
};
using KS_POOL_BLOCK = std::unique_ptr<UCHAR[], CKsPoolFree>;

// The pool. Blocks are freed by their owners (RAII); the pool counts what is outstanding so
// that a test can see everything given back. Tests can also make allocations fail.
// Thread-safe. The pool must outlive its blocks.
class CKsPool {
public:
    CKsPool() = default;
    CKsPool(const CKsPool&) = delete;
    CKsPool& operator=(const CKsPool&) = delete;

    // A zero-filled block of nBytes, or null when allocation fails.
    KS_POOL_BLOCK Allocate(POOL_TYPE type, std::size_t nBytes, ULONG nTag);

    // Blocks of this tag not yet freed.
    std::size_t GetOutstandingBlocks(ULONG nTag) const;
    // Makes the next n allocations fail.
    void FailNextAllocations(int n);

private:
    friend struct CKsPoolFree;
    void Release(ULONG nTag, std::size_t nBytes);

    mutable std::mutex m_Mutex; // guards the two members below; any thread
    std::map<ULONG, std::size_t> m_Outstanding;
    int m_nFailNext = 0;
};

// A pool block used as one object of a plain type (descriptors, request blocks).
template <class T>
class CKsPoolPtr {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    CKsPoolPtr() = default;
    explicit CKsPoolPtr(KS_POOL_BLOCK block) : m_Block(std::move(block)) {}
    static CKsPoolPtr Allocate(CKsPool& pool, ULONG nTag, std::size_t nBytes = sizeof(T))
    {
        return CKsPoolPtr(pool.Allocate(NonPagedPool, nBytes < sizeof(T) ? sizeof(T) : nBytes, nTag));
    }
    T* get() const { return reinterpret_cast<T*>(m_Block.get()); }
    T* operator->() const { return get(); }
    UCHAR* bytes() const { return m_Block.get(); }
    explicit operator bool() const { return static_cast<bool>(m_Block); }
    void reset() { m_Block.reset(); }

private:
    KS_POOL_BLOCK m_Block;
};
