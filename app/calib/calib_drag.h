// Dragging the reference rectangle of a calibration entry by its five handles (the
// centre moves it, the middles of the edges resize it symmetrically), in picture
// pixels, while the calibration dialog is open.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/dpoint.h"

// The cursor a handle shows while it is held.
enum class ECalibCursor {
    None,
    SizeAll, // moving: four-headed arrow
    SizeNS,  // top or bottom edge: north-south arrow
    SizeWE,  // left or right edge: west-east arrow
};

// Handles lie within 10 picture pixels of their point, at any zoom.
constexpr double CALIB_HANDLE_TOLERANCE = 10.0;
// An edge is not pulled inwards below this extent, and a smaller rectangle is widened
// to it around its centre at the next move.
constexpr double CALIB_MIN_EXTENT = 40.0;

// The handle of entry's rectangle at (x, y): CALDRAG_MOVE .. CALDRAG_RIGHT, or
// CALDRAG_NONE.
int CalibHandleAt(const CCalibEntry& entry, double x, double y);

// A press at (x, y): on a handle, the entry's drag starts there and the answer is its
// mode; otherwise CALDRAG_NONE and nothing changes.
int BeginCalibDrag(CCalibEntry& entry, double x, double y);

// A move to (x, y) while the entry's drag runs: moves the rectangle or one pair of
// edges, unless that would pull an edge inwards below the minimum; then widens a
// rectangle smaller than the minimum. Answers whether the drag moved something (the
// dialog's info line is then refreshed); a refused resize keeps the drag point.
bool MoveCalibDrag(CCalibEntry& entry, double x, double y);

// The release: the drag ends.
inline void EndCalibDrag(CCalibEntry& entry) { entry.m_nDragMode = CALDRAG_NONE; }

ECalibCursor CalibDragCursor(int nDragMode);

// The five handle points in the order centre, top, bottom, left, right (CALDRAG_MOVE ..
// CALDRAG_RIGHT), for drawing them.
void CalibHandlePoints(const CCalibEntry& entry, DPOINT (&points)[5]);
