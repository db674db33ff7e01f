// What the measuring tools hold while the program runs: the finished items, the item
// being entered, and the right-button drag of a finished item.
#pragma once

#include "app/measure/measure_list.h"

struct CMeasureState {
    CMeasureList m_MeasureList;
    MeasureItem m_CurMeasure; // Type: the active tool (0 none), PointCount: points so far

    // The drag of a finished item with the right button; cleared together.
    int m_bMeasureDrag = 0;
    int m_nDragHit = 0;   // CMeasureHit::HIT_POINT (a point or centre) or HIT_CIRCUMFERENCE
    int m_nDragIndex = 0; // the point, or the circle (0 or 1)
    MeasureItem* m_pDragItem = nullptr;

    void ClearDrag()
    {
        m_bMeasureDrag = 0;
        m_nDragHit = 0;
        m_nDragIndex = 0;
        m_pDragItem = nullptr;
    }
    // Whether an item is being entered (its tool has points to come).
    bool IsEntering() const { return m_CurMeasure.Type > 0; }
};
