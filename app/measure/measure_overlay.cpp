#include "app/measure/measure_overlay.h"

#include "app/calib/calib_entry.h"
#include "app/measure/measure_geometry.h"
#include "app/res/ui_texts.h"
#include "platform/c_numbers.h"

namespace {

// Where a picture point is drawn.
POINT DrawingPosition(const COverlayView& v, const DPOINT& p)
{
    return POINT{static_cast<LONG>(v.sx * (p.x + v.panX)), static_cast<LONG>(v.sy * (p.y + v.panY))};
}

DPOINT AsDouble(const POINT& p) { return DPOINT{static_cast<double>(p.x), static_cast<double>(p.y)}; }

// The whole ellipse of radii rx, ry around (cx, cy).
void DrawEllipse(IMeasureCanvas& canvas, int cx, int cy, int rx, int ry)
{
    const POINT start{cx - rx, cy};
    canvas.Arc(RECT{cx - rx, cy - ry, cx + rx, cy + ry}, start, start);
}

// A stored circle: its centre drawn as any point, its radius scaled per axis.
void DrawStoredCircle(IMeasureCanvas& canvas, const COverlayView& v, const DPOINT& center, double dRadius)
{
    const POINT c = DrawingPosition(v, center);
    DrawEllipse(canvas, c.x, c.y, static_cast<int>(v.sx * dRadius), static_cast<int>(v.sy * dRadius));
}

// A circle being entered, through three drawing positions (one of them the pointer's).
void DrawCircleThrough(IMeasureCanvas& canvas, const POINT& a, const POINT& b, const POINT& c)
{
    DPOINT center;
    double dRadius = 0.0;
    CircleFrom3Points(AsDouble(a), AsDouble(b), AsDouble(c), center, dRadius);
    const int r = static_cast<int>(dRadius);
    DrawEllipse(canvas, static_cast<int>(center.x), static_cast<int>(center.y), r, r);
}

void DrawCross(IMeasureCanvas& canvas, const POINT& p)
{
    canvas.MoveTo(p.x - 3, p.y);
    canvas.LineTo(p.x + 3, p.y);
    canvas.MoveTo(p.x, p.y - 3);
    canvas.LineTo(p.x, p.y + 3);
}

// The polyline through the first nCount points.
void DrawPolyline(IMeasureCanvas& canvas, const COverlayView& v, const MeasureItem& item, int nCount)
{
    const POINT first = DrawingPosition(v, item.Points[0]);
    canvas.MoveTo(first.x, first.y);
    for (int i = 0; i < nCount; ++i) {
        const POINT p = DrawingPosition(v, item.Points[i]);
        canvas.LineTo(p.x, p.y);
    }
}

void LineToPointer(IMeasureCanvas& canvas, const COverlayView& v) { canvas.LineTo(v.ptPointer.x, v.ptPointer.y); }

// The base line through a and b across the picture: vertical and horizontal lines
// from edge to edge of the destination, others from the left edge (x = 0) to the top
// edge (falling lines) or to the row of the frame height (rising ones).
void DrawBaseLine(IMeasureCanvas& canvas, const COverlayView& v, const DPOINT& a, const DPOINT& b)
{
    double m = 0, k = 0, normal = 0;
    LineThrough(a, b, m, k, normal);
    if (m == SLOPE_VERTICAL) {
        const int x = DrawingPosition(v, DPOINT{k, 0}).x;
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, v.nDestHeight);
    } else if (m == SLOPE_HORIZONTAL) {
        const int y = DrawingPosition(v, DPOINT{0, k}).y;
        canvas.MoveTo(0, y);
        canvas.LineTo(v.nDestWidth, y);
    } else {
        const double h = v.nBaseLineHeight;
        const POINT from = DrawingPosition(v, DPOINT{0, k});
        const POINT to = DrawingPosition(v, m < 0 ? DPOINT{-k / m, 0} : DPOINT{(h - k) / m, h});
        canvas.MoveTo(from.x, from.y);
        canvas.LineTo(to.x, to.y);
    }
}

void DrawLabel(IMeasureCanvas& canvas, const COverlayView& v, const DPOINT& anchor, int nDown,
               const std::string& szText)
{
    const POINT p = DrawingPosition(v, anchor);
    canvas.TextOut(p.x, p.y + nDown, szText);
}

DPOINT MeanOfPoints(const MeasureItem& item)
{
    DPOINT mean;
    for (int i = 0; i < item.PointCount; ++i) {
        mean.x += item.Points[i].x;
        mean.y += item.Points[i].y;
    }
    mean.x /= item.PointCount;
    mean.y /= item.PointCount;
    return mean;
}

DPOINT Midpoint(const DPOINT& a, const DPOINT& b) { return DPOINT{(a.x + b.x) / 2, (a.y + b.y) / 2}; }

void DrawItemBeingEntered(IMeasureCanvas& canvas, const MeasureItem& item, const COverlayView& v)
{
    const int n = item.PointCount;
    switch (item.Type) {
    case TOOL_LINE:
    case TOOL_ARIA:
    case TOOL_ANGLE:
        DrawPolyline(canvas, v, item, n);
        LineToPointer(canvas, v);
        break;
    case TOOL_CIRCLE:
    case TOOL_CIRCLE2:
        for (int k = 0; k < (item.Type == TOOL_CIRCLE ? 1 : 2); ++k) {
            const int nFirst = 3 * k;
            if (n >= nFirst + 2) {
                const POINT third = n >= nFirst + 3 ? DrawingPosition(v, item.Points[nFirst + 2]) : v.ptPointer;
                DrawCircleThrough(canvas, DrawingPosition(v, item.Points[nFirst]),
                                  DrawingPosition(v, item.Points[nFirst + 1]), third);
            }
            // Crosses mark the points of a circle that lacks its third one.
            for (int i = nFirst; i < n && n < nFirst + 3; ++i)
                DrawCross(canvas, DrawingPosition(v, item.Points[i]));
        }
        break;
    case TOOL_SUI: {
        const DPOINT second = n >= 2 ? item.Points[1] : v.pointerImage;
        DrawBaseLine(canvas, v, item.Points[0], second);
        double m = 0, k = 0, normal = 0;
        LineThrough(item.Points[0], second, m, k, normal);
        for (int i = 2; i < n; ++i) {
            const POINT p = DrawingPosition(v, item.Points[i]);
            const POINT foot = DrawingPosition(v, FootOfPerpendicular(item.Points[i], m, k));
            canvas.MoveTo(p.x, p.y);
            canvas.LineTo(foot.x, foot.y);
        }
        break;
    }
    default:
        break;
    }
}

void DrawFinishedItem(IMeasureCanvas& canvas, MeasureItem& item, const COverlayView& v)
{
    switch (item.Type) {
    case -TOOL_LINE:
        DrawPolyline(canvas, v, item, 2);
        DrawLabel(canvas, v, MeanOfPoints(item), 0, MeasureLabel(item, 0, v.bJapanese));
        break;
    case -TOOL_ARIA: {
        DrawPolyline(canvas, v, item, item.PointCount);
        const POINT first = DrawingPosition(v, item.Points[0]);
        canvas.LineTo(first.x, first.y);
        DrawLabel(canvas, v, MeanOfPoints(item), 20, MeasureLabel(item, 1, v.bJapanese));
        break;
    }
    case -TOOL_CIRCLE:
        DrawStoredCircle(canvas, v, item.Center[0], item.Radius[0]);
        DrawLabel(canvas, v, item.Center[0], 0, MeasureLabel(item, 0, v.bJapanese));
        break;
    case -TOOL_CIRCLE2: {
        DrawStoredCircle(canvas, v, item.Center[0], item.Radius[0]);
        DrawStoredCircle(canvas, v, item.Center[1], item.Radius[1]);
        const POINT c0 = DrawingPosition(v, item.Center[0]);
        const POINT c1 = DrawingPosition(v, item.Center[1]);
        canvas.MoveTo(c0.x, c0.y);
        canvas.LineTo(c1.x, c1.y);
        DrawLabel(canvas, v, item.Center[0], 0, MeasureLabel(item, 0, v.bJapanese));
        DrawLabel(canvas, v, item.Center[1], 0, MeasureLabel(item, 1, v.bJapanese));
        DrawLabel(canvas, v, Midpoint(item.Center[0], item.Center[1]), 0, MeasureLabel(item, 2, v.bJapanese));
        break;
    }
    case -TOOL_SUI: {
        DrawBaseLine(canvas, v, item.Points[0], item.Points[1]);
        double m = 0, k = 0, normal = 0;
        LineThrough(item.Points[0], item.Points[1], m, k, normal);
        if (!item.Points.Set(3, FootOfPerpendicular(item.Points[2], m, k)))
            break;
        const POINT p = DrawingPosition(v, item.Points[2]);
        const POINT foot = DrawingPosition(v, item.Points[3]);
        canvas.MoveTo(p.x, p.y);
        canvas.LineTo(foot.x, foot.y);
        // Dots mark the two base points.
        canvas.SetPen(4, v.clrLine);
        for (int i = 0; i < 2; ++i) {
            const POINT base = DrawingPosition(v, item.Points[i]);
            canvas.MoveTo(base.x, base.y);
            canvas.LineTo(base.x, base.y);
        }
        canvas.SetPen(1, v.clrLine);
        DrawLabel(canvas, v, Midpoint(item.Points[2], item.Points[3]), 20, MeasureLabel(item, 0, v.bJapanese));
        break;
    }
    case -TOOL_ANGLE:
        DrawPolyline(canvas, v, item, 3);
        DrawLabel(canvas, v, MeanOfPoints(item), 0, MeasureLabel(item, 0, v.bJapanese));
        break;
    default:
        break;
    }
}

} // namespace

std::string MeasureLabel(const MeasureItem& item, int nValue, bool bJapanese)
{
    if (item.Type == -TOOL_ANGLE)
        return FormatFixed(item.Value[nValue], 1) + LoadUiString(IDS_DEGREE, bJapanese);
    const std::string szUnit = UnitText(item.Unit);
    if (szUnit.empty())
        return "";
    return FormatFixed(item.Value[nValue], item.Unit == UNIT_MM ? 3 : 2) + szUnit +
           (item.Type == -TOOL_ARIA ? "2" : "");
}

void DrawMeasureItem(IMeasureCanvas& canvas, MeasureItem& item, const COverlayView& view)
{
    if (item.PointCount <= 0 || item.Points.Capacity() < item.PointCount)
        return;
    if (item.Type > 0)
        DrawItemBeingEntered(canvas, item, view);
    else if (item.PointCount >= PointsNeeded(item.Type))
        DrawFinishedItem(canvas, item, view);
}

void DrawMeasurements(IMeasureCanvas& canvas, CMeasureList& list, const COverlayView& view)
{
    canvas.SetPen(1, view.clrLine);
    canvas.SetTextColor(view.clrText);
    for (MeasureItem& item : list) {
        if (item.Type != 0 && item.PointCount != 0)
            DrawMeasureItem(canvas, item, view);
    }
}

void DrawCurrentMeasure(IMeasureCanvas& canvas, const MeasureItem& item, const COverlayView& view)
{
    if (item.Type <= 0 || item.PointCount <= 0 || item.Points.Capacity() < item.PointCount)
        return;
    canvas.SetPen(1, view.clrLine);
    DrawItemBeingEntered(canvas, item, view);
}
