#include "app/shell/core/frame_handover.h"

#include <utility>

void CFrameHandover::Publish()
{
    std::lock_guard lock(m_Mutex);
    std::swap(m_nBack, m_nReady);
    m_bFresh = true;
    ++m_nPublished;
}

bool CFrameHandover::TakeNewest()
{
    std::lock_guard lock(m_Mutex);
    if (!m_bFresh)
        return false;
    std::swap(m_nFront, m_nReady);
    m_bFresh = false;
    return true;
}

std::uint64_t CFrameHandover::PublishedCount() const
{
    std::lock_guard lock(m_Mutex);
    return m_nPublished;
}
