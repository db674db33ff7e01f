#include "app/measure/measure_item.h"

#include <algorithm>
#include <new>

namespace {

// Zeroed points, or null when the memory cannot be had.
std::unique_ptr<DPOINT[]> AllocatePoints(int nCount)
{
    return std::unique_ptr<DPOINT[]>(new (std::nothrow) DPOINT[static_cast<std::size_t>(nCount)]());
}

} // namespace

CDPointArray::CDPointArray(const CDPointArray& other)
{
    *this = other;
}

CDPointArray& CDPointArray::operator=(const CDPointArray& other)
{
    if (this == &other)
        return *this;
    Reset(other.m_nCapacity);
    if (m_nCapacity == other.m_nCapacity)
        std::copy(other.m_pPoints.get(), other.m_pPoints.get() + m_nCapacity, m_pPoints.get());
    return *this;
}

void CDPointArray::Reset(int nCapacity)
{
    m_pPoints.reset();
    m_nCapacity = 0;
    if (nCapacity <= 0)
        return;
    m_pPoints = AllocatePoints(nCapacity);
    if (m_pPoints)
        m_nCapacity = nCapacity;
}

bool CDPointArray::Set(int i, const DPOINT& point)
{
    if (i < 0)
        return false;
    if (i >= m_nCapacity) {
        const long long nGrown = std::max<long long>(static_cast<long long>(m_nCapacity) + i + m_nCapacity, i + 1LL);
        if (nGrown > 0x7FFFFFF)
            return false;
        std::unique_ptr<DPOINT[]> pGrown = AllocatePoints(static_cast<int>(nGrown));
        if (!pGrown)
            return false;
        std::copy(m_pPoints.get(), m_pPoints.get() + m_nCapacity, pGrown.get());
        m_pPoints = std::move(pGrown);
        m_nCapacity = static_cast<int>(nGrown);
    }
    m_pPoints[i] = point;
    return true;
}

void SelectTool(MeasureItem& item, MeasureTool nTool)
{
    item.Type = nTool;
    item.PointCount = 0;
    item.Points.Reset(nTool != TOOL_NONE ? 10 : 0);
    std::fill(std::begin(item.Value), std::end(item.Value), 0.0);
    std::fill(std::begin(item.Center), std::end(item.Center), DPOINT{});
    std::fill(std::begin(item.Radius), std::end(item.Radius), 0.0);
}
