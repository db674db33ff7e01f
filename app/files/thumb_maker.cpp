// CThumbMaker. Paths are claimed one at a time under the mutex and decoded outside it,
// so the owner can join in (Finish) without any picture being made twice; results go
// into per-path slots, and TakeFinished hands out the longest run of settled slots from
// the front, which keeps the order of the paths whoever made them.
#include "app/files/thumb_maker.h"

#include <utility>

CThumbMaker::~CThumbMaker()
{
    Stop();
}

void CThumbMaker::Start(std::vector<std::string> paths)
{
    Stop();
    m_Paths = std::move(paths);
    {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        m_Slots.assign(m_Paths.size(), ESlot::Pending);
        m_Items.clear();
        m_Items.resize(m_Paths.size());
        m_nNextClaim = 0;
        m_nNextHandOut = 0;
    }
    m_bCancel.store(false);
    if (!m_Paths.empty())
        m_Worker = std::thread([this] { MakeRemaining(); });
}

void CThumbMaker::MakeRemaining()
{
    while (!m_bCancel.load()) {
        std::size_t n = 0;
        {
            const std::lock_guard<std::mutex> lock(m_Mutex);
            if (m_nNextClaim >= m_Paths.size())
                return;
            n = m_nNextClaim++;
        }
        // Decoding, the long part, runs without the lock; a failure is logged there.
        CThumbItem item;
        const bool bMade = MakeThumbItem(m_Paths[n], item);
        const std::lock_guard<std::mutex> lock(m_Mutex);
        if (bMade)
            m_Items[n] = std::move(item);
        m_Slots[n] = bMade ? ESlot::Made : ESlot::Skipped;
    }
}

std::vector<CThumbItem> CThumbMaker::TakeFinished()
{
    std::vector<CThumbItem> finished;
    const std::lock_guard<std::mutex> lock(m_Mutex);
    for (; m_nNextHandOut < m_Slots.size() && m_Slots[m_nNextHandOut] != ESlot::Pending; ++m_nNextHandOut)
        if (m_Slots[m_nNextHandOut] == ESlot::Made)
            finished.push_back(std::move(m_Items[m_nNextHandOut]));
    return finished;
}

void CThumbMaker::Stop()
{
    m_bCancel.store(true);
    EndBatch();
}

void CThumbMaker::EndBatch()
{
    if (m_Worker.joinable())
        m_Worker.join();
    m_Paths.clear();
    const std::lock_guard<std::mutex> lock(m_Mutex);
    m_Slots.clear();
    m_Items.clear();
    m_nNextClaim = 0;
    m_nNextHandOut = 0;
}

bool CThumbMaker::IsBusy() const
{
    const std::lock_guard<std::mutex> lock(m_Mutex);
    return m_nNextHandOut < m_Slots.size();
}

void CThumbMaker::Finish(CThumbList& list)
{
    // A stopped or finished batch has nothing left; a running one is completed here.
    MakeRemaining();
    if (m_Worker.joinable())
        m_Worker.join();
    for (CThumbItem& item : TakeFinished())
        if (!list.Contains(item.m_szPath))
            list.Append(std::move(item));
    EndBatch();
}
