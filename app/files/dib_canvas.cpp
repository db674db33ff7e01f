#include "app/files/dib_canvas.h"

#include "app/files/label_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double PI = 3.14159265358979323846;

// The direction of (dx, dy) in radians counter-clockwise from the right, y down on the
// picture, in [0, 2 pi).
double Direction(double dx, double dy)
{
    const double a = std::atan2(-dy, dx);
    return a < 0 ? a + 2 * PI : a;
}

// The part of the segment p0-p1 inside [lo, hi] on both axes (Liang-Barsky): t0 and t1
// along the segment. false when nothing of it is inside.
bool ClipSegment(double x0, double y0, double x1, double y1, double lo, double hiX, double hiY, double& t0,
                 double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo, hiX - x0, y0 - lo, hiY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

} // namespace

void CDibCanvas::SetPen(int nWidth, COLORREF color)
{
    m_nPenWidth = std::max(nWidth, 1);
    m_PenColor = color;
}

void CDibCanvas::SetTextColor(COLORREF color) { m_TextColor = color; }

void CDibCanvas::MoveTo(int x, int y) { m_Current = POINT{x, y}; }

void CDibCanvas::LineTo(int x, int y)
{
    const POINT from = m_Current;
    m_Current = POINT{x, y};
    if (from.x == x && from.y == y) {
        if (m_nPenWidth > 1)
            PlotPen(x, y);
        return;
    }
    // Only the part near the picture is walked, however far the ends lie outside it.
    const double dMargin = m_nPenWidth;
    double t0 = 0.0;
    double t1 = 1.0;
    if (!ClipSegment(from.x, from.y, x, y, -dMargin, m_Picture.Width() - 1 + dMargin,
                     m_Picture.Height() - 1 + dMargin, t0, t1))
        return;
    if (t0 == 0.0 && t1 == 1.0) {
        DrawSegment(from.x, from.y, x, y, false);
        return;
    }
    const auto At = [](double a, double b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    // A line cut short at the margin keeps its last pixel there.
    DrawSegment(At(from.x, x, t0), At(from.y, y, t0), At(from.x, x, t1), At(from.y, y, t1), t1 < 1.0);
}

void CDibCanvas::DrawSegment(int x0, int y0, int x1, int y1, bool bIncludeEnd)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (int x = x0, y = y0;;) {
        if (x == x1 && y == y1) {
            if (bIncludeEnd)
                PlotPen(x, y);
            return;
        }
        PlotPen(x, y);
        const int twice = 2 * err;
        if (twice >= dy) {
            err += dy;
            x += stepX;
        }
        if (twice <= dx) {
            err += dx;
            y += stepY;
        }
    }
}

void CDibCanvas::Arc(const RECT& rcBox, POINT ptStart, POINT ptEnd)
{
    const double cx = (static_cast<double>(rcBox.left) + rcBox.right) / 2.0;
    const double cy = (static_cast<double>(rcBox.top) + rcBox.bottom) / 2.0;
    const double rx = std::abs(static_cast<double>(rcBox.right) - rcBox.left) / 2.0;
    const double ry = std::abs(static_cast<double>(rcBox.bottom) - rcBox.top) / 2.0;
    if (rx <= 0.0 || ry <= 0.0)
        return;
    const double dStart = Direction(ptStart.x - cx, ptStart.y - cy);
    double dSpan = Direction(ptEnd.x - cx, ptEnd.y - cy) - dStart;
    if (dSpan <= 0.0)
        dSpan += 2 * PI; // the same direction twice: the whole ellipse
    const auto PlotOnArc = [&](double x, double y) {
        double dFromStart = Direction(x - cx, y - cy) - dStart;
        if (dFromStart < 0.0)
            dFromStart += 2 * PI;
        if (dFromStart <= dSpan)
            PlotPen(std::llround(x), std::llround(y));
    };
    // Every picture column the ellipse crosses gets its upper and lower point, every row
    // its left and right one: together a closed outline, walked only where it can show.
    const double dMargin = m_nPenWidth;
    const double firstX = std::max(std::ceil(cx - rx), -dMargin);
    const double lastX = std::min(std::floor(cx + rx), m_Picture.Width() - 1 + dMargin);
    for (double x = firstX; x <= lastX; ++x) {
        const double t = (x - cx) / rx;
        const double d = ry * std::sqrt(std::max(0.0, 1.0 - t * t));
        PlotOnArc(x, cy - d);
        PlotOnArc(x, cy + d);
    }
    const double firstY = std::max(std::ceil(cy - ry), -dMargin);
    const double lastY = std::min(std::floor(cy + ry), m_Picture.Height() - 1 + dMargin);
    for (double y = firstY; y <= lastY; ++y) {
        const double t = (y - cy) / ry;
        const double d = rx * std::sqrt(std::max(0.0, 1.0 - t * t));
        PlotOnArc(cx - d, y);
        PlotOnArc(cx + d, y);
    }
}

void CDibCanvas::TextOut(int x, int y, const std::string& szText)
{
    long long left = x;
    CUtf8Reader reader(szText);
    for (char32_t code; left < m_Picture.Width() && reader.Next(code); left += LABEL_ADVANCE) {
        const CLabelGlyph& glyph = LabelGlyph(code);
        for (int r = 0; r < LABEL_GLYPH_ROWS; ++r) {
            for (int c = 0; c < LABEL_GLYPH_COLUMNS; ++c) {
                if ((glyph[static_cast<std::size_t>(r)] & (0x10 >> c)) == 0)
                    continue;
                const long long dotX = left + static_cast<long long>(c) * LABEL_DOT_SIZE;
                const long long dotY = y + LABEL_TOP_MARGIN + static_cast<long long>(r) * LABEL_DOT_SIZE;
                for (int i = 0; i < LABEL_DOT_SIZE; ++i)
                    for (int j = 0; j < LABEL_DOT_SIZE; ++j)
                        Plot(dotX + j, dotY + i, m_TextColor);
            }
        }
    }
}

void CDibCanvas::Plot(long long x, long long y, COLORREF color)
{
    if (m_Picture.BitCount() != 24 || x < 0 || y < 0 || x >= m_Picture.Width() || y >= m_Picture.Height())
        return;
    BYTE* p = m_Picture.Bits() + (m_Picture.Height() - 1 - y) * m_Picture.Stride() + 3 * x;
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
}

void CDibCanvas::PlotPen(long long x, long long y)
{
    if (m_nPenWidth == 1) {
        Plot(x, y, m_PenColor);
        return;
    }
    // A round dot m_nPenWidth across; an even width centres it between pixels.
    const double dCentre = m_nPenWidth % 2 == 0 ? -0.5 : 0.0;
    const double dRadius = m_nPenWidth / 2.0;
    const int nFirst = -m_nPenWidth / 2;
    for (int oy = nFirst; oy < nFirst + m_nPenWidth; ++oy) {
        for (int ox = nFirst; ox < nFirst + m_nPenWidth; ++ox) {
            const double dx = ox - dCentre;
            const double dy = oy - dCentre;
            if (dx * dx + dy * dy <= dRadius * dRadius)
                Plot(x + ox, y + oy, m_PenColor);
        }
    }
}
