#include "app/measure/measure_list.h"

#include <cmath>

namespace {

constexpr int TYPE_LENGTH = -TOOL_LINE;
constexpr int TYPE_AREA = -TOOL_ARIA;
constexpr int TYPE_CIRCLE = -TOOL_CIRCLE;
constexpr int TYPE_CIRCLE2 = -TOOL_CIRCLE2;
constexpr int TYPE_PERPENDICULAR = -TOOL_SUI;
constexpr int TYPE_ANGLE = -TOOL_ANGLE;

// The box test of the hit test: tol around (x, y), left and top edges inclusive.
bool InBox(const DPOINT& p, double x, double y, double tol)
{
    return x - tol <= p.x && p.x < x + tol && y - tol <= p.y && p.y < y + tol;
}

bool SameBaseLine(const MeasureItem& a, const MeasureItem& b)
{
    return a.Points[0].x == b.Points[0].x && a.Points[1].x == b.Points[1].x && a.Points[0].y == b.Points[0].y &&
           a.Points[1].y == b.Points[1].y;
}

} // namespace

MeasureItem* CMeasureList::AppendCopy(const MeasureItem& item)
{
    MeasureItem& stored = m_Items.emplace_back(item);
    stored.Id = ++m_nLastId;
    stored.Index = Count() - 1;
    return &stored;
}

void CMeasureList::Renumber()
{
    int nIndex = 0;
    for (MeasureItem& item : m_Items)
        item.Index = nIndex++;
}

MeasureItem* CMeasureList::Seek(int n)
{
    if (n < 0 || n >= Count())
        return nullptr;
    auto it = m_Items.begin();
    std::advance(it, n);
    return &*it;
}

MeasureItem* CMeasureList::FindById(int nId)
{
    for (MeasureItem& item : m_Items) {
        if (item.Id == nId)
            return &item;
    }
    return nullptr;
}

bool CMeasureList::RemoveById(int nId)
{
    const auto it = Find(FindById(nId));
    if (it == m_Items.end())
        return false;
    m_Items.erase(it);
    return true;
}

void CMeasureList::Clear() { m_Items.clear(); }

std::list<MeasureItem>::iterator CMeasureList::Find(const MeasureItem* pItem)
{
    for (auto it = m_Items.begin(); it != m_Items.end(); ++it) {
        if (&*it == pItem)
            return it;
    }
    return m_Items.end();
}

MeasureItem* CMeasureList::NextSharingBaseLine(const MeasureItem& item, const MeasureItem* pAfter)
{
    auto it = Find(pAfter != nullptr ? pAfter : &item);
    if (it == m_Items.end())
        return nullptr;
    for (++it; it != m_Items.end(); ++it) {
        if (it->Type == TYPE_PERPENDICULAR && SameBaseLine(*it, item))
            return &*it;
    }
    return nullptr;
}

CMeasureHit CMeasureList::HitTest(double x, double y, double tol)
{
    for (MeasureItem& item : m_Items) {
        switch (item.Type) {
        case TYPE_LENGTH:
        case TYPE_AREA:
        case TYPE_PERPENDICULAR:
        case TYPE_ANGLE:
            // The stored foot of a perpendicular is not a point of its own.
            for (int i = 0; i < item.PointCount && i < item.Points.Capacity(); ++i) {
                if (InBox(item.Points[i], x, y, tol))
                    return CMeasureHit{&item, i, CMeasureHit::HIT_POINT};
            }
            break;
        case TYPE_CIRCLE:
        case TYPE_CIRCLE2:
            for (int i = 0; i < item.PointCount / 3 && i < 2; ++i) {
                const double dx = x - item.Center[i].x;
                const double dy = y - item.Center[i].y;
                const double d = std::sqrt(dx * dx + dy * dy);
                if (d - tol <= item.Radius[i] && item.Radius[i] < d + tol)
                    return CMeasureHit{&item, i, CMeasureHit::HIT_CIRCUMFERENCE};
                if (InBox(item.Center[i], x, y, tol))
                    return CMeasureHit{&item, i, CMeasureHit::HIT_POINT};
            }
            break;
        default:
            break;
        }
    }
    return CMeasureHit{};
}
