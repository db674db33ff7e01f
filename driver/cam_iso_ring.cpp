#include "driver/cam_iso_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

std::unique_ptr<CAM_ISO_RING> CamAllocateIsoRing(CKsPool& pool, ULONG nTag, std::size_t nSize)
{
    if (nSize == 0)
        return nullptr;
    std::unique_ptr<CAM_ISO_RING> pRing(new (std::nothrow) CAM_ISO_RING);
    if (!pRing)
        return nullptr;
    pRing->Buffer = pool.Allocate(NonPagedPool, nSize, nTag);
    if (!pRing->Buffer)
        return nullptr;
    pRing->Size = nSize;
    KeInitializeSpinLock(&pRing->Lock);
    return pRing;
}

BOOL CamIsoRingAppend(CAM_ISO_RING* pRing, const UCHAR* pBlock, std::size_t nBytes)
{
    if (nBytes == 0)
        return TRUE;
    CKsSpinLockGuard lock(&pRing->Lock);
    if (pRing->Size - pRing->Fill < nBytes)
        return FALSE;
    const std::size_t nFirst = std::min(nBytes, pRing->Size - pRing->WritePosition);
    std::memcpy(pRing->Buffer.get() + pRing->WritePosition, pBlock, nFirst);
    std::memcpy(pRing->Buffer.get(), pBlock + nFirst, nBytes - nFirst);
    pRing->WritePosition = (pRing->WritePosition + nBytes) % pRing->Size;
    pRing->Fill += nBytes;
    return TRUE;
}

std::size_t CamIsoRingTake(CAM_ISO_RING* pRing, UCHAR* pOut, std::size_t nBytes)
{
    if (nBytes == 0)
        return 0;
    CKsSpinLockGuard lock(&pRing->Lock);
    if (nBytes > pRing->Size || pRing->Fill == 0)
        return 0;
    const std::size_t nTake = std::min(nBytes, pRing->Fill);
    const std::size_t nFirst = std::min(nTake, pRing->Size - pRing->ReadPosition);
    std::memcpy(pOut, pRing->Buffer.get() + pRing->ReadPosition, nFirst);
    std::memcpy(pOut + nFirst, pRing->Buffer.get(), nTake - nFirst);
    pRing->ReadPosition = (pRing->ReadPosition + nTake) % pRing->Size;
    pRing->Fill -= nTake;
    return nTake;
}
