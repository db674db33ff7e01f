// The formulas of the measuring tools. They are kept exactly as the program has always
// computed them (operation order included), since results are compared with those of
// earlier versions.
#include "app/measure/measure_geometry.h"

#include "app/measure/polygon_fill.h"

#include <cmath>

namespace {

// 360 / (2 pi): radians to degrees as the angle tool converts them.
constexpr double kDegreesPerTurnOverTwoPi = 360.0 * 0.15915494327375637;

// Direction of the arm from vertex to q in degrees counter-clockwise from +x, with the
// picture's y axis pointing down (so dy is taken upwards).
double ArmDirection(const DPOINT& vertex, const DPOINT& q)
{
    const double dx = q.x - vertex.x;
    const double dy = vertex.y - q.y;
    // dx = 0 gives atan(+-inf) = +-90 degrees: 90 upwards, 270 (-90 + 360) downwards.
    double dDegrees = std::atan(dy / dx) * kDegreesPerTurnOverTwoPi;
    if (dx < 0)
        dDegrees += 180;
    else if (dy < 0)
        dDegrees += 360;
    return dDegrees;
}

double Distance(const DPOINT& a, const DPOINT& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

} // namespace

bool CircleFrom3Points(const DPOINT& p1, const DPOINT& p2, const DPOINT& p3, DPOINT& center, double& radius)
{
    const double x1 = p1.x, y1 = p1.y, x2 = p2.x, y2 = p2.y, x3 = p3.x, y3 = p3.y;
    const double a = 2 * ((y1 - y3) * (x1 - x2) - (y1 - y2) * (x1 - x3));
    if (a == 0) {
        center = DPOINT{0.0, 0.0};
        radius = std::sqrt(x1 * x1 + y1 * y1);
        return true;
    }
    const double s1 = x1 * x1 + y1 * y1 - x3 * x3 - y3 * y3;
    const double s2 = x1 * x1 + y1 * y1 - x2 * x2 - y2 * y2;
    center.x = ((y1 - y3) * s2 - (y1 - y2) * s1) / a;
    center.y = ((x1 - x2) * s1 - (x1 - x3) * s2) / a;
    const double r2 = center.x * center.x + center.y * center.y - (2 * (x1 * center.x + y1 * center.y) - x1 * x1 - y1 * y1);
    if (r2 <= 0)
        return false;
    radius = std::sqrt(r2);
    return true;
}

double AngleAtVertex(const DPOINT& p1, const DPOINT& vertex, const DPOINT& p3)
{
    if (p1 == vertex || p3 == vertex)
        return 0.0;
    const double d = std::fabs(ArmDirection(vertex, p1) - ArmDirection(vertex, p3));
    return d > 180 ? 360 - d : d;
}

void LineThrough(const DPOINT& a, const DPOINT& b, double& m, double& k, double& normal)
{
    if (a.x == b.x) {
        m = SLOPE_VERTICAL;
        k = a.x;
        normal = SLOPE_VERTICAL;
    } else if (a.y == b.y) {
        m = SLOPE_HORIZONTAL;
        k = a.y;
        normal = SLOPE_HORIZONTAL;
    } else {
        m = (a.y - b.y) / (a.x - b.x);
        k = a.y - a.x * m;
        normal = (b.x - a.x) / (a.y - b.y);
    }
}

DPOINT FootOfPerpendicular(const DPOINT& p, double m, double k)
{
    if (m == SLOPE_VERTICAL)
        return DPOINT{k, p.y};
    if (m == SLOPE_HORIZONTAL)
        return DPOINT{p.x, k};
    DPOINT foot;
    foot.x = (m * p.y + p.x - m * k) / (m * m + 1);
    foot.y = p.y + (p.x - foot.x) / m;
    return foot;
}

int PointsNeeded(int nType)
{
    switch (nType) {
    case -TOOL_LINE: return 2;
    case -TOOL_CIRCLE2: return 6;
    case -TOOL_CIRCLE:
    case -TOOL_SUI:
    case -TOOL_ANGLE: return 3;
    default: return 1;
    }
}

bool RecalcItem(MeasureItem& item, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight)
{
    if (item.PointCount < PointsNeeded(item.Type) || item.Points.Capacity() < item.PointCount)
        return false;
    const CDPointArray& p = item.Points;
    const double dMppX = calib.m_dMppX;
    switch (item.Type) {
    case -TOOL_LINE:
        item.Value[0] = Distance(p[0], p[1]) * dMppX;
        break;
    case -TOOL_ARIA: {
        long long nPixels = 0;
        if (!CountPolygonPixels(nPictureWidth, nPictureHeight, p.Data(), item.PointCount, nPixels))
            return false;
        item.Value[0] = item.Value[1] = static_cast<double>(nPixels) * calib.m_dMppY * dMppX;
        break;
    }
    case -TOOL_CIRCLE:
        item.Value[0] = item.Radius[0] * dMppX * 2;
        break;
    case -TOOL_CIRCLE2:
        item.Value[0] = 2 * dMppX * item.Radius[0];
        item.Value[1] = dMppX * 2 * item.Radius[1];
        item.Value[2] = Distance(item.Center[0], item.Center[1]) * dMppX;
        break;
    case -TOOL_SUI: {
        double m = 0, k = 0, normal = 0;
        LineThrough(p[0], p[1], m, k, normal);
        const DPOINT foot = FootOfPerpendicular(p[2], m, k);
        if (!item.Points.Set(3, foot))
            return false;
        item.Value[0] = Distance(p[2], foot) * dMppX;
        break;
    }
    default:
        return false; // angles, and anything unfinished
    }
    item.Unit = calib.m_nUnit;
    return true;
}

void FinishItem(MeasureItem& item, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight)
{
    if (item.Type > 0)
        item.Type = -item.Type;
    // Each tool finishes an item only once it has all its points.
    if (item.PointCount < PointsNeeded(item.Type) || item.Points.Capacity() < item.PointCount)
        return;
    const CDPointArray& p = item.Points;
    item.Unit = calib.m_nUnit;
    switch (item.Type) {
    case -TOOL_CIRCLE:
        CircleFrom3Points(p[0], p[1], p[2], item.Center[0], item.Radius[0]);
        break;
    case -TOOL_CIRCLE2:
        CircleFrom3Points(p[0], p[1], p[2], item.Center[0], item.Radius[0]);
        CircleFrom3Points(p[3], p[4], p[5], item.Center[1], item.Radius[1]);
        break;
    case -TOOL_ANGLE:
        item.Value[0] = AngleAtVertex(p[0], p[1], p[2]);
        break;
    default:
        break;
    }
    RecalcItem(item, calib, nPictureWidth, nPictureHeight);
}
