#include "app/shell/qt_canvas.h"

#include <QPainter>

#include <cmath>

namespace {

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

// The direction of p from the box's centre in degrees, counter-clockwise, y up.
double DirectionFromCentre(const RECT& rc, POINT p)
{
    const double cx = (rc.left + rc.right) / 2.0;
    const double cy = (rc.top + rc.bottom) / 2.0;
    return std::atan2(cy - p.y, p.x - cx) * 180.0 / std::acos(-1.0);
}

} // namespace

void CQtCanvas::SetPen(int nWidth, COLORREF color)
{
    QPen pen(ToQColor(color), nWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    m_Painter.setPen(pen);
    m_Painter.setBrush(Qt::NoBrush);
}

void CQtCanvas::SetTextColor(COLORREF color) { m_TextColor = color; }

void CQtCanvas::MoveTo(int x, int y) { m_Current = QPoint(x, y); }

void CQtCanvas::LineTo(int x, int y)
{
    const QPoint to(x, y);
    // A stroke of no length is a dot of the pen's width.
    if (to == m_Current)
        m_Painter.drawPoint(to);
    else
        m_Painter.drawLine(m_Current, to);
    m_Current = to;
}

void CQtCanvas::Arc(const RECT& rcBox, POINT ptStart, POINT ptEnd)
{
    const QRectF box(rcBox.left, rcBox.top, rcBox.right - rcBox.left, rcBox.bottom - rcBox.top);
    double dSpan = DirectionFromCentre(rcBox, ptEnd) - DirectionFromCentre(rcBox, ptStart);
    if (dSpan <= 0)
        dSpan += 360; // the same direction twice: the whole ellipse
    m_Painter.drawArc(box, static_cast<int>(std::lround(DirectionFromCentre(rcBox, ptStart) * 16)),
                      static_cast<int>(std::lround(dSpan * 16)));
}

void CQtCanvas::TextOut(int x, int y, const std::string& szText)
{
    const QPen line = m_Painter.pen();
    m_Painter.setPen(ToQColor(m_TextColor));
    m_Painter.drawText(QRect(x, y, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(szText));
    m_Painter.setPen(line);
}
