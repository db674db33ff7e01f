// The byte rings of the isochronous stream: a fixed-size ring that takes whole blocks or
// drops them, and gives out any amount from its read position.
#pragma once

#include "driver/kernel/ks_pool.h"
#include "driver/kernel/ks_spin_lock.h"

#include <cstddef>
#include <memory>

// Positions and fill count are guarded by Lock; every append and take holds it while it
// copies and moves them, so appenders (transfer completions on bus threads) and a reader
// (a request thread) never interleave inside one ring.
struct CAM_ISO_RING {
    std::size_t Size = 0;
    std::size_t WritePosition = 0;
    std::size_t ReadPosition = 0;
    std::size_t Fill = 0;
    KSPIN_LOCK Lock;
    KS_POOL_BLOCK Buffer{nullptr, CKsPoolFree{}};
};

// A ring of nSize bytes (more than 0) with its buffer from the pool; null when memory runs out.
std::unique_ptr<CAM_ISO_RING> CamAllocateIsoRing(CKsPool& pool, ULONG nTag, std::size_t nSize);

// Copies the nBytes block in at the write position (wrapping at the end) when it fits in
// the free space as a whole; answers FALSE and drops it when it does not.
BOOL CamIsoRingAppend(CAM_ISO_RING* pRing, const UCHAR* pBlock, std::size_t nBytes);

// Copies min(nBytes, fill) bytes out from the read position (wrapping) and answers the count;
// 0 when the ring is empty or nBytes is larger than the ring.
std::size_t CamIsoRingTake(CAM_ISO_RING* pRing, UCHAR* pOut, std::size_t nBytes);
