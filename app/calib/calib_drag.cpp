#include "app/calib/calib_drag.h"

namespace {

// p is near c when c - 10 < p <= c + 10.
bool Near(double p, double c) { return c - CALIB_HANDLE_TOLERANCE < p && p <= c + CALIB_HANDLE_TOLERANCE; }

double CentreX(const CCalibEntry& e) { return e.m_dLeft + (e.m_dRight - e.m_dLeft) * 0.5; }
double CentreY(const CCalibEntry& e) { return e.m_dTop + (e.m_dBottom - e.m_dTop) * 0.5; }

// Widens the pair of edges lo..hi to the minimum extent around its centre.
void KeepMinimumExtent(double& dLow, double& dHigh)
{
    if (dHigh - dLow < CALIB_MIN_EXTENT) {
        const double c = (dLow + dHigh) / 2;
        dLow = c - CALIB_MIN_EXTENT / 2;
        dHigh = c + CALIB_MIN_EXTENT / 2;
    }
}

} // namespace

int CalibHandleAt(const CCalibEntry& e, double x, double y)
{
    const double cx = CentreX(e);
    const double cy = CentreY(e);
    if (Near(x, cx)) {
        if (Near(y, cy))
            return CALDRAG_MOVE;
        if (Near(y, e.m_dTop))
            return CALDRAG_TOP;
        if (Near(y, e.m_dBottom))
            return CALDRAG_BOTTOM;
    }
    if (Near(y, cy)) {
        if (Near(x, e.m_dLeft))
            return CALDRAG_LEFT;
        if (Near(x, e.m_dRight))
            return CALDRAG_RIGHT;
    }
    return CALDRAG_NONE;
}

int BeginCalibDrag(CCalibEntry& entry, double x, double y)
{
    const int nMode = CalibHandleAt(entry, x, y);
    if (nMode != CALDRAG_NONE) {
        entry.m_dDragX = x;
        entry.m_dDragY = y;
        entry.m_nDragMode = nMode;
    }
    return nMode;
}

bool MoveCalibDrag(CCalibEntry& e, double x, double y)
{
    const double dx = x - e.m_dDragX;
    const double dy = y - e.m_dDragY;
    const double dHeight = e.m_dBottom - e.m_dTop;
    const double dWidth = e.m_dRight - e.m_dLeft;
    bool bChanged = false;
    switch (e.m_nDragMode) {
    case CALDRAG_MOVE:
        e.m_dLeft += dx;
        e.m_dRight += dx;
        e.m_dTop += dy;
        e.m_dBottom += dy;
        bChanged = true;
        break;
    case CALDRAG_TOP:
        bChanged = dHeight > CALIB_MIN_EXTENT || dy < 0;
        if (bChanged) {
            e.m_dTop += dy;
            e.m_dBottom -= dy;
        }
        break;
    case CALDRAG_BOTTOM:
        bChanged = dHeight > CALIB_MIN_EXTENT || dy > 0;
        if (bChanged) {
            e.m_dTop -= dy;
            e.m_dBottom += dy;
        }
        break;
    case CALDRAG_LEFT:
        bChanged = dWidth > CALIB_MIN_EXTENT || dx < 0;
        if (bChanged) {
            e.m_dLeft += dx;
            e.m_dRight -= dx;
        }
        break;
    case CALDRAG_RIGHT:
        bChanged = dWidth > CALIB_MIN_EXTENT || dx > 0;
        if (bChanged) {
            e.m_dLeft -= dx;
            e.m_dRight += dx;
        }
        break;
    default:
        return false;
    }
    if (bChanged) {
        e.m_dDragX = x;
        e.m_dDragY = y;
    }
    KeepMinimumExtent(e.m_dTop, e.m_dBottom);
    KeepMinimumExtent(e.m_dLeft, e.m_dRight);
    return bChanged;
}

ECalibCursor CalibDragCursor(int nDragMode)
{
    switch (nDragMode) {
    case CALDRAG_MOVE: return ECalibCursor::SizeAll;
    case CALDRAG_TOP:
    case CALDRAG_BOTTOM: return ECalibCursor::SizeNS;
    case CALDRAG_LEFT:
    case CALDRAG_RIGHT: return ECalibCursor::SizeWE;
    default: return ECalibCursor::None;
    }
}

void CalibHandlePoints(const CCalibEntry& e, DPOINT (&points)[5])
{
    const double cx = CentreX(e);
    const double cy = CentreY(e);
    points[0] = DPOINT{cx, cy};
    points[1] = DPOINT{cx, e.m_dTop};
    points[2] = DPOINT{cx, e.m_dBottom};
    points[3] = DPOINT{e.m_dLeft, cy};
    points[4] = DPOINT{e.m_dRight, cy};
}
