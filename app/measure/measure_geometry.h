// The geometry of the measuring tools in picture pixels: the circle through three
// points, the angle at a vertex, lines with their marker slopes, the foot of a
// perpendicular, and the results of a finished item in calibrated units.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_item.h"

// Marker slopes of lines without a usable slope: a vertical line (its intercept holds
// its x) and a horizontal one (its intercept holds its y).
constexpr double SLOPE_VERTICAL = 9999.9;
constexpr double SLOPE_HORIZONTAL = 9998.9;

// The circle through p1, p2, p3. Collinear or coinciding points give the circle
// centred on the picture's origin through p1 (stored results rely on it). When the
// radius comes out imaginary, radius is left as it was and the answer is false.
bool CircleFrom3Points(const DPOINT& p1, const DPOINT& p2, const DPOINT& p3, DPOINT& center, double& radius);

// The angle in degrees (0..180) between the arms from vertex to p1 and to p3. An arm
// of length zero has no direction: the angle is then 0.
double AngleAtVertex(const DPOINT& p1, const DPOINT& vertex, const DPOINT& p3);

// The line through a and b as y = m x + k, with the slope of its normal; vertical and
// horizontal lines take the marker slopes.
void LineThrough(const DPOINT& a, const DPOINT& b, double& m, double& k, double& normal);

// The foot of the perpendicular from p on the line (m, k).
DPOINT FootOfPerpendicular(const DPOINT& p, double m, double k);

// The points a finished item of type nType (negative) needs: 2 for a length, 3 for a
// circle, a perpendicular or an angle, 6 for two circles, 1 for a polygon.
int PointsNeeded(int nType);

// Finishes the item being entered: Type becomes the negated tool code, and its results
// are computed from its points with the entry's factors (lengths, diameters and
// distances take the X factor, areas X x Y) in the entry's unit; circles get their
// centres and radii, a perpendicular its foot as Points[3]. A polygon is counted on a
// picture of nPictureWidth x nPictureHeight; one that cannot be drawn keeps its
// previous area. An item with fewer points than its type needs gets no results.
void FinishItem(MeasureItem& item, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight);

// Computes a finished item's results again from its stored geometry with the entry's
// factors, in the entry's unit: lengths and perpendiculars (whose foot is stored again)
// from their points, polygons counted again on a picture of the given size (one that
// cannot be drawn keeps its area and unit), circles from their stored centres and radii
// (not from the entered points, which a drag leaves behind). Angles do not depend on
// the calibration and stay as they are. Answers whether the results were computed.
bool RecalcItem(MeasureItem& item, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight);
