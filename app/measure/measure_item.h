// The measurement item: tool, type and unit codes, the growable array of its points,
// and the record of one measurement with its geometry in picture pixels and its
// results in calibrated units.
#pragma once

#include "app/measure/dpoint.h"

#include <memory>

// Tool codes (MeasureTool): the Type of the item being entered. A finished item
// carries the negated code.
using MeasureTool = int;
constexpr MeasureTool TOOL_NONE = 0;
constexpr MeasureTool TOOL_LINE = 1;     // two points
constexpr MeasureTool TOOL_ARIA = 2;     // a polygon, closed by a double click
constexpr MeasureTool TOOL_CIRCLE = 3;   // three points on the circle
constexpr MeasureTool TOOL_CIRCLE2 = 4;  // three points on each of two circles
constexpr MeasureTool TOOL_SUI = 5;      // a base line, then perpendiculars to it
constexpr MeasureTool TOOL_ANGLE = 6;    // three points, the second the vertex

// Unit codes (MeasureUnit), as the calibration entries hold them.
using MeasureUnit = int;
constexpr MeasureUnit UNIT_CM = 0;
constexpr MeasureUnit UNIT_MM = 1;
constexpr MeasureUnit UNIT_UM = 2;

// A growable array of points; new elements are zero. Copies copy every allocated point.
class CDPointArray {
public:
    CDPointArray() = default;
    CDPointArray(const CDPointArray& other);
    CDPointArray& operator=(const CDPointArray& other);
    CDPointArray(CDPointArray&&) noexcept = default;
    CDPointArray& operator=(CDPointArray&&) noexcept = default;

    // Frees the points and, for nCapacity > 0, allocates that many zeroed ones.
    void Reset(int nCapacity);
    // Writes point i. At or beyond the capacity the array first grows to
    // capacity + (i + capacity) points (at least i + 1), keeping the old ones; false,
    // with the array unchanged, when that memory cannot be had.
    bool Set(int i, const DPOINT& point);
    // Point i, 0 <= i < Capacity().
    const DPOINT& operator[](int i) const { return m_pPoints[i]; }
    DPOINT& operator[](int i) { return m_pPoints[i]; }
    const DPOINT* Data() const { return m_pPoints.get(); }
    int Capacity() const { return m_nCapacity; }

private:
    std::unique_ptr<DPOINT[]> m_pPoints;
    int m_nCapacity = 0;
};

// One measurement.
struct MeasureItem {
    int Id = 0;    // key in the list, unique among its items (0: not in a list)
    int Index = 0; // 0-based position in the list, as Renumber last set it
    int Type = TOOL_NONE; // tool code while entered, its negation when finished
    int PointCount = 0;   // points entered so far
    CDPointArray Points;  // picture pixels
    MeasureUnit Unit = UNIT_CM;
    // length / perpendicular: [0]; polygon: [0] = [1] = area; circle: [0] = diameter;
    // two circles: [0], [1] diameters, [2] distance of the centres; angle: [0] degrees.
    double Value[3] = {};
    DPOINT Center[2];        // centres of circle 1 and 2
    double Radius[2] = {};   // radii in picture pixels
};

// Starts entering an item with tool nTool: Type = nTool, no points, no results; the
// points of an item half entered are discarded. Ten zeroed points are allocated for a
// tool; TOOL_NONE only frees them.
void SelectTool(MeasureItem& item, MeasureTool nTool);
