#include "app/calib/scale_bar.h"

#include "app/calib/calib_entry.h"
#include "platform/c_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// The ticks reach this far on both sides of the line they cross, and a press counts as
// on the bar or the arm when it is less than this far from it.
constexpr double TICK = 5.0;
// The label's top-left corner lies this far left of the bar's middle and below the bar.
constexpr double LABEL_LEFT = 30.0;
constexpr double LABEL_DOWN = 15.0;

// d as an integer coordinate, truncated toward zero; false when it is not finite or does
// not fit (casting such a double to an integer would be undefined).
bool ToLong(double d, LONG& n)
{
    constexpr double LOW = static_cast<double>(std::numeric_limits<LONG>::min());
    constexpr double HIGH = static_cast<double>(std::numeric_limits<LONG>::max());
    // Written so that NaN fails too.
    if (!(d > LOW - 1.0 && d < HIGH + 1.0))
        return false;
    n = static_cast<LONG>(d);
    return true;
}

// Maps picture points to drawing positions and remembers whether one of them could not
// be had, so that the bar is drawn whole or not at all.
class CBarMapping {
public:
    CBarMapping(double sx, double sy, double ox, double oy) : m_dSx(sx), m_dSy(sy), m_dOx(ox), m_dOy(oy) {}

    POINT operator()(double px, double py)
    {
        POINT p;
        if (!ToLong((px + m_dOx) * m_dSx, p.x) || !ToLong((py + m_dOy) * m_dSy, p.y))
            m_bAllMapped = false;
        return p;
    }
    bool AllMapped() const { return m_bAllMapped; }

private:
    double m_dSx;
    double m_dSy;
    double m_dOx;
    double m_dOy;
    bool m_bAllMapped = true;
};

struct CSegment {
    POINT from;
    POINT to;
};

void DrawSegment(IMeasureCanvas& canvas, const CSegment& s)
{
    canvas.MoveTo(s.from.x, s.from.y);
    canvas.LineTo(s.to.x, s.to.y);
}

// The bar's lengths in picture pixels: a real length over units per pixel. A zero factor
// gives an infinite (or, for a zero length, NaN) count.
double LengthX(const CScaleData& d) { return d.Size.cx / d.MppX; }
double LengthY(const CScaleData& d) { return d.Size.cy / d.MppY; }

} // namespace

bool operator==(const CScaleData& a, const CScaleData& b)
{
    return a.Visible == b.Visible && a.Type == b.Type && a.Unit == b.Unit && a.Pos.x == b.Pos.x &&
           a.Pos.y == b.Pos.y && a.Size.cx == b.Size.cx && a.Size.cy == b.Size.cy && a.Scale == b.Scale &&
           a.Scalexy == b.Scalexy && a.MppX == b.MppX && a.MppY == b.MppY && a.bDrag == b.bDrag &&
           a.DragOffset.cx == b.DragOffset.cx && a.DragOffset.cy == b.DragOffset.cy;
}

void SetScaleCalibration(CScaleData& data, const CCalibEntry& calib)
{
    data.MppX = calib.m_dMppX;
    data.MppY = calib.m_dMppY;
    data.Unit = calib.m_nUnit;
}

std::string ScaleBarLabel(const CScaleData& data)
{
    return FormatFixed(static_cast<double>(data.Size.cx), 2) + UnitText(data.Unit);
}

void DrawScaleBar(IMeasureCanvas& canvas, const CScaleData& data, double sx, double sy, double ox, double oy,
                  COLORREF clrLine, COLORREF clrText)
{
    if (data.Visible == 0)
        return;
    const bool bTypeX = data.Type == SCALE_TYPE_X;
    const bool bTypeXY = data.Type == SCALE_TYPE_XY;
    // A zero factor (an entry whose factors were never derived) leaves no pixel length to
    // draw: the bar is left out entirely rather than drawn towards infinity.
    const double lenX = LengthX(data);
    const double lenY = bTypeXY ? LengthY(data) : 0.0;
    if (!std::isfinite(lenX) || !std::isfinite(lenY))
        return;

    const double x = data.Pos.x;
    const double y = data.Pos.y;
    const double xLeft = x - lenX;
    const double yTop = y - lenY;
    CBarMapping map(sx, sy, ox, oy);
    const CSegment bar{map(x, y), map(xLeft, y)};
    const CSegment leftTick{map(xLeft, y - TICK), map(xLeft, y + TICK)};
    const CSegment rightTick{map(x, y - TICK), map(x, y + TICK)};
    const POINT label = map(x - lenX * 0.5 - LABEL_LEFT, y + LABEL_DOWN);
    const CSegment arm{map(x, y), map(x, yTop)};
    const CSegment armTick{map(x - TICK, yTop), map(x + TICK, yTop)};
    if (!map.AllMapped())
        return;

    canvas.SetPen(1, clrLine);
    canvas.SetTextColor(clrText);
    DrawSegment(canvas, bar);
    DrawSegment(canvas, leftTick);
    // The X-Y bar's corner carries the arm instead of a tick.
    if (bTypeX)
        DrawSegment(canvas, rightTick);
    canvas.TextOut(label.x, label.y, ScaleBarLabel(data));
    if (bTypeXY) {
        DrawSegment(canvas, arm);
        DrawSegment(canvas, armTick);
    }
}

bool PlaceScaleBar(CScaleData& data, int nPosition, int nX, int nY, int nImageWidth, int nImageHeight)
{
    // Each coordinate in double: all int arithmetic here is exact in a double, and the
    // result is checked to fit before it is stored. trunc(length) cuts toward zero.
    const double dInsetX = std::trunc(nX / data.MppX) + SCALE_EDGE_MARGIN;
    const double dInsetY = std::trunc(nY / data.MppY) + SCALE_EDGE_MARGIN;
    const double dRight = static_cast<double>(nImageWidth) - SCALE_EDGE_MARGIN;
    const double dBottom = static_cast<double>(nImageHeight) - SCALE_EDGE_MARGIN;
    double dPosX = 0;
    double dPosY = 0;
    switch (nPosition) {
    case SCALE_POS_UPPER_LEFT:
        dPosX = dInsetX;
        dPosY = dInsetY;
        break;
    case SCALE_POS_LOWER_LEFT:
        dPosX = dInsetX;
        dPosY = dBottom;
        break;
    case SCALE_POS_UPPER_RIGHT:
        dPosX = dRight;
        dPosY = dInsetY;
        break;
    case SCALE_POS_LOWER_RIGHT:
        dPosX = dRight;
        dPosY = dBottom;
        break;
    case SCALE_POS_CENTER:
        // Integer halves, truncated toward zero as int division does.
        dPosX = nImageWidth / 2;
        dPosY = nImageHeight / 2;
        break;
    default:
        return false;
    }
    POINT pos;
    if (!ToLong(dPosX, pos.x) || !ToLong(dPosY, pos.y))
        return false;
    data.Pos = pos;
    data.Size = SIZE{nX, nY};
    return true;
}

bool BeginScaleDrag(CScaleData& data, double x, double y)
{
    if (data.Visible == 0)
        return false;
    const double dPosX = data.Pos.x;
    const double dPosY = data.Pos.y;
    // The lengths count in whole pixels here; a length that is not finite has no bar to
    // press on.
    const double lenX = LengthX(data);
    if (std::isfinite(lenX)) {
        const double LX = std::trunc(lenX);
        LONG nOffset = 0;
        if (dPosX - LX < x && x < dPosX && dPosY - TICK < y && y < dPosY + TICK &&
            ToLong(std::trunc(x) - dPosX, nOffset)) {
            data.bDrag = true;
            data.DragOffset = SIZE{nOffset, 0};
            return true;
        }
    }
    if (data.Type != SCALE_TYPE_XY)
        return false;
    const double lenY = LengthY(data);
    if (std::isfinite(lenY)) {
        const double LY = std::trunc(lenY);
        LONG nOffset = 0;
        if (dPosX - TICK < x && x < dPosX + TICK && dPosY - LY < y && y < dPosY &&
            ToLong(std::trunc(y) - dPosY, nOffset)) {
            data.bDrag = true;
            data.DragOffset = SIZE{0, nOffset};
            return true;
        }
    }
    return false;
}

void MoveScaleDrag(CScaleData& data, double x, double y)
{
    if (!data.bDrag)
        return;
    POINT pos;
    if (ToLong(std::trunc(x) - data.DragOffset.cx, pos.x) && ToLong(std::trunc(y) - data.DragOffset.cy, pos.y))
        data.Pos = pos;
}

bool ParseScaleInt(const std::string& szText, int& nValue)
{
    const char* pBegin = szText.data();
    const char* pEnd = pBegin + szText.size();
    while (pBegin < pEnd && (*pBegin == ' ' || *pBegin == '\t'))
        ++pBegin;
    while (pEnd > pBegin && (pEnd[-1] == ' ' || pEnd[-1] == '\t'))
        --pEnd;
    // from_chars takes a minus sign only; a plus sign must be followed by a digit.
    if (pBegin < pEnd && *pBegin == '+' && pEnd - pBegin > 1 && pBegin[1] >= '0' && pBegin[1] <= '9')
        ++pBegin;
    int nParsed = 0;
    const auto result = std::from_chars(pBegin, pEnd, nParsed);
    if (pBegin == pEnd || result.ec != std::errc() || result.ptr != pEnd)
        return false;
    nValue = nParsed;
    return true;
}
