// CMeasureList: the finished measurements in the order they were made, with lookups
// by position and by key, the perpendicular groups and the hit test of the mouse.
#pragma once

#include "app/measure/measure_item.h"

#include <list>

// What a hit test found: the item, the point (or circle) index and the kind of hit.
struct CMeasureHit {
    static constexpr int HIT_POINT = 1;         // a point, or a circle's centre
    static constexpr int HIT_CIRCUMFERENCE = 2; // a circle's circumference

    MeasureItem* pItem = nullptr; // null: nothing was hit
    int nIndex = 0;               // the point, or the circle (0 or 1)
    int nKind = 0;
};

class CMeasureList {
public:
    // Appends a copy of item (its points, results, centres and radii) with a key no
    // other item of the list has; answers the stored item, whose address stays valid
    // until it is removed.
    MeasureItem* AppendCopy(const MeasureItem& item);
    // Index := 0-based position, for every item.
    void Renumber();
    // The item at 0-based position n, or null.
    MeasureItem* Seek(int n);
    // The item with key nId, or null.
    MeasureItem* FindById(int nId);
    // Removes the item with key nId; false when there is none.
    bool RemoveById(int nId);
    void Clear();
    int Count() const { return static_cast<int>(m_Items.size()); }

    // The next perpendicular (type -5) after pAfter (after item itself when pAfter is
    // null) whose base line is exactly item's; null when there is none. Walking a
    // group: start with null and pass each answer back in. Only items after item in
    // list order are visited.
    MeasureItem* NextSharingBaseLine(const MeasureItem& item, const MeasureItem* pAfter);

    // The first item, in list order, with a point (or centre) inside the box of
    // half-width tol around (x, y), or a circumference passing within tol; a circle's
    // circumference is tried before its centre. Picture pixels.
    CMeasureHit HitTest(double x, double y, double tol);

    std::list<MeasureItem>::iterator begin() { return m_Items.begin(); }
    std::list<MeasureItem>::iterator end() { return m_Items.end(); }
    std::list<MeasureItem>::const_iterator begin() const { return m_Items.begin(); }
    std::list<MeasureItem>::const_iterator end() const { return m_Items.end(); }

private:
    std::list<MeasureItem>::iterator Find(const MeasureItem* pItem);

    std::list<MeasureItem> m_Items;
    int m_nLastId = 0; // keys count up from 1, so no two items share one
};
