// Pictograms of the button faces: measuring tools, capture and file functions.
#include "pictograms.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace art {

namespace {

// Short tick of length 2 * half across the segment a-b, centred at point c.
void DrawTick(QPainter& p, QPointF a, QPointF b, QPointF c, double half)
{
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    const QPointF n(-d.y() / len * half, d.x() / len * half);
    p.drawLine(c - n, c + n);
}

// Video camera body with its lens hood pointing right.
void DrawCamcorder(QPainter& p, const CPalette& pal)
{
    p.setPen(pal.Pen(kInk, 1.2));
    p.setBrush(pal(kInk));
    p.drawRoundedRect(QRectF(-12, -7, 16, 14), 2.5, 2.5);
    const QPointF lens[] = {{5, -2}, {12, -6.5}, {12, 6.5}, {5, 2}};
    p.drawPolygon(lens, 4);
}

// White card of the results list.
void DrawListCard(QPainter& p, const CPalette& pal, const QRectF& card)
{
    p.setPen(pal.Pen(kInk, 1.2));
    p.setBrush(pal(Qt::white));
    p.drawRect(card);
}

// Landscape picture shared by the two TYPE faces.
void DrawPicture(QPainter& p, const CPalette& pal)
{
    const QRectF frame(-12, -9, 24, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(QColor(196, 228, 244)));
    p.drawRect(frame);
    p.setBrush(pal(QColor(250, 196, 40)));
    p.drawEllipse(QPointF(6, -4), 2.5, 2.5);
    const QPointF hills[] = {{-12, 9}, {-12, 5}, {-5, -3}, {0, 3}, {3, 0}, {12, 7}, {12, 9}};
    p.setBrush(pal(QColor(70, 110, 150)));
    p.drawPolygon(hills, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(pal.Pen(kInk, 1.3));
    p.drawRect(frame);
}

} // namespace

void DrawLineTool(QPainter& p, const CPalette& pal)
{
    const QPointF a(-10, 7), b(10, -7);
    p.setPen(pal.Pen(kInk, 2.0));
    p.drawLine(a, b);
    p.setPen(pal.Pen(kMark, 1.8));
    DrawTick(p, a, b, a, 4.5);
    DrawTick(p, a, b, b, 4.5);
}

void DrawAreaTool(QPainter& p, const CPalette& pal)
{
    const QPointF pts[] = {{-10, 4}, {-4, -9}, {7, -8}, {11, 3}, {1, 10}};
    p.setPen(pal.Pen(kInk, 1.6));
    p.setBrush(pal(WithAlpha(kAccent, 110)));
    p.drawPolygon(pts, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kMark));
    for (const QPointF& pt : pts)
        p.drawRect(QRectF(pt.x() - 1.75, pt.y() - 1.75, 3.5, 3.5));
}

void DrawCircleTool(QPainter& p, const CPalette& pal)
{
    p.setPen(pal.Pen(kInk, 1.8));
    p.setBrush(pal(WithAlpha(kAccent, 60)));
    p.drawEllipse(QPointF(0, 0), 10.5, 10.5);
    const QPointF a(-9.1, 5.25), b(9.1, -5.25);
    p.setPen(pal.Pen(kMark, 1.6));
    p.drawLine(a, b);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawEllipse(QPointF(0, 0), 1.6, 1.6);
}

void DrawTwoCirclesTool(QPainter& p, const CPalette& pal)
{
    const QPointF c1(-6, -5), c2(6, 5);
    p.setPen(pal.Pen(kInk, 1.6));
    p.setBrush(pal(WithAlpha(kAccent, 60)));
    p.drawEllipse(c1, 5.5, 5.5);
    p.drawEllipse(c2, 5.5, 5.5);
    QPen dash = pal.Pen(kMark, 1.5);
    dash.setCapStyle(Qt::FlatCap);
    dash.setDashPattern({2.0, 1.5});
    p.setPen(dash);
    p.drawLine(c1, c2);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawEllipse(c1, 1.6, 1.6);
    p.drawEllipse(c2, 1.6, 1.6);
}

void DrawPerpendicularTool(QPainter& p, const CPalette& pal)
{
    p.setPen(pal.Pen(kInk, 2.0));
    p.drawLine(QPointF(-11, 8), QPointF(11, 8));
    p.setPen(pal.Pen(kInk, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(2, 3), QPointF(7, 3), QPointF(7, 8)}));
    p.setPen(pal.Pen(kMark, 1.8));
    p.drawLine(QPointF(2, -8), QPointF(2, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(pal(kInk));
    p.drawEllipse(QPointF(2, -9), 2.2, 2.2);
}

void DrawAngleTool(QPainter& p, const CPalette& pal)
{
    const QPointF v(-10, 8);
    p.setPen(pal.Pen(kInk, 2.0));
    p.drawLine(v, QPointF(11, 8));
    p.drawLine(v, QPointF(4, -10));
    p.setPen(pal.Pen(kMark, 1.7));
    p.setBrush(Qt::NoBrush);
    const double r = 10.0;
    const int spanDeg = static_cast<int>(std::lround(std::atan2(18.0, 14.0) * 180.0 / kPi));
    p.drawArc(QRectF(v.x() - r, v.y() - r, 2 * r, 2 * r), 0, spanDeg * 16);
}

void DrawLiveFace(QPainter& p, const CPalette& pal)
{
    DrawCamcorder(p, pal);
    const QPointF play[] = {{-7, -4}, {-7, 4}, {-0.5, 0}};
    p.setPen(Qt::NoPen);
    p.setBrush(pal(QColor(90, 230, 120)));
    p.drawPolygon(play, 3);
}

// The live view is frozen: a snowflake.
void DrawFrozenFace(QPainter& p, const CPalette& pal)
{
    const QColor ice(24, 110, 200);
    p.setPen(pal.Pen(ice, 1.9));
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.rotate(i * 60.0);
        p.drawLine(QPointF(0, 0), QPointF(0, -11));
        p.drawLine(QPointF(0, -6), QPointF(-3.5, -9.5));
        p.drawLine(QPointF(0, -6), QPointF(3.5, -9.5));
        p.restore();
    }
}

void DrawColorTool(QPainter& p, const CPalette& pal)
{
    QPainterPath board;
    board.addEllipse(QRectF(-12, -10, 24, 20));
    QPainterPath notch;
    notch.addEllipse(QRectF(5, 2, 10, 9));
    QPainterPath hole;
    hole.addEllipse(QPointF(-2, 5), 2.4, 2.4);
    board = board.subtracted(notch).subtracted(hole);
    p.setPen(pal.Pen(kInk, 1.3));
    p.setBrush(pal(QColor(240, 222, 186)));
    p.drawPath(board);
    const struct {
        QPointF at;
        QColor colour;
    } dabs[] = {{{-7, -1}, QColor(214, 40, 40)},
                {{-4, -6}, QColor(246, 196, 0)},
                {{2, -6.5}, QColor(40, 168, 64)},
                {{7, -3}, QColor(36, 92, 220)}};
    p.setPen(Qt::NoPen);
    for (const auto& dab : dabs) {
        p.setBrush(pal(dab.colour));
        p.drawEllipse(dab.at, 2.6, 2.6);
    }
}

void DrawCalibTool(QPainter& p, const CPalette& pal)
{
    p.save();
    p.rotate(-30.0);
    p.setPen(pal.Pen(kInk, 1.2));
    p.setBrush(pal(QColor(248, 214, 96)));
    p.drawRect(QRectF(-13, -4.5, 26, 9));
    p.setPen(pal.Pen(kInk, 1.0));
    for (int i = 0; i <= 10; ++i) {
        const double x = -11.0 + 2.2 * i;
        const double len = (i % 5 == 0) ? 5.0 : 2.5;
        p.drawLine(QPointF(x, -4.5), QPointF(x, -4.5 + len));
    }
    p.restore();
}

void DrawDeleteTool(QPainter& p, const CPalette& pal)
{
    const QRectF card(-11, -10, 17, 20);
    DrawListCard(p, pal, card);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(WithAlpha(kAccent, 120)));
    p.drawRect(QRectF(card.left() + 2, -1.5, card.width() - 4, 3.5));
    p.setPen(pal.Pen(kInk, 1.2));
    for (double y : {-6.0, 0.25, 6.0})
        p.drawLine(QPointF(card.left() + 3, y), QPointF(card.right() - 3, y));
    p.setPen(pal.Pen(QColor(255, 255, 255), 5.0));
    p.drawLine(QPointF(3, -3), QPointF(11, 5));
    p.drawLine(QPointF(11, -3), QPointF(3, 5));
    p.setPen(pal.Pen(QColor(212, 32, 32), 2.6));
    p.drawLine(QPointF(3, -3), QPointF(11, 5));
    p.drawLine(QPointF(11, -3), QPointF(3, 5));
}

void DrawClearTool(QPainter& p, const CPalette& pal)
{
    const QRectF card(-12, -10, 15, 20);
    DrawListCard(p, pal, card);
    QPen dots = pal.Pen(WithAlpha(kInk, 90), 1.0);
    dots.setCapStyle(Qt::FlatCap);
    dots.setDashPattern({1.5, 1.5});
    p.setPen(dots);
    for (double y : {-5.5, 0.5, 6.5})
        p.drawLine(QPointF(card.left() + 3, y), QPointF(card.right() - 3, y));
    p.save();
    p.translate(6, 1);
    p.rotate(28.0);
    p.setPen(pal.Pen(QColor(120, 76, 34), 2.0));
    p.drawLine(QPointF(0, -12), QPointF(0, 2));
    const QPointF head[] = {{-2.5, 2}, {2.5, 2}, {4.5, 10}, {-4.5, 10}};
    p.setPen(pal.Pen(QColor(150, 104, 20), 1.0));
    p.setBrush(pal(QColor(236, 186, 64)));
    p.drawPolygon(head, 4);
    for (double x : {-2.0, 0.0, 2.0})
        p.drawLine(QPointF(x * 0.6, 4), QPointF(x * 1.4, 9.5));
    p.restore();
}

void DrawCsvTool(QPainter& p, const CPalette& pal)
{
    const QRectF table(-11, -9, 22, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(Qt::white));
    p.drawRect(table);
    p.setBrush(pal(kAccent));
    p.drawRect(QRectF(table.left(), table.top(), table.width(), 5));
    p.setPen(pal.Pen(kInk, 1.0));
    for (double x : {-3.5, 3.5})
        p.drawLine(QPointF(x, table.top()), QPointF(x, table.bottom()));
    for (double y : {-4.0, 0.5, 5.0})
        p.drawLine(QPointF(table.left(), y), QPointF(table.right(), y));
    p.setBrush(Qt::NoBrush);
    p.setPen(pal.Pen(kInk, 1.3));
    p.drawRect(table);
}

void DrawSaveTool(QPainter& p, const CPalette& pal)
{
    const QPointF body[] = {{-10, -10}, {7, -10}, {10, -7}, {10, 10}, {-10, 10}};
    p.setPen(pal.Pen(kInk, 1.2));
    p.setBrush(pal(QColor(40, 84, 130)));
    p.drawPolygon(body, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(pal(QColor(208, 216, 222)));
    p.drawRect(QRectF(-5.5, -10, 11, 7));
    p.setBrush(pal(QColor(40, 84, 130)));
    p.drawRect(QRectF(1.5, -8.5, 2.5, 4));
    p.setBrush(pal(Qt::white));
    p.drawRect(QRectF(-7, 1, 14, 8));
    p.setPen(pal.Pen(QColor(150, 160, 170), 1.0));
    p.drawLine(QPointF(-5, 4), QPointF(5, 4));
    p.drawLine(QPointF(-5, 6.5), QPointF(5, 6.5));
}

void DrawFolderTool(QPainter& p, const CPalette& pal)
{
    QPainterPath back;
    back.moveTo(-11, 9);
    back.lineTo(-11, -8);
    back.lineTo(-4, -8);
    back.lineTo(-2, -5.5);
    back.lineTo(10, -5.5);
    back.lineTo(10, 9);
    back.closeSubpath();
    p.setPen(pal.Pen(QColor(132, 88, 14), 1.2));
    p.setBrush(pal(QColor(222, 164, 44)));
    p.drawPath(back);
    const QPointF front[] = {{-11, 9}, {-7.5, -1.5}, {12.5, -1.5}, {10, 9}};
    p.setBrush(pal(QColor(252, 206, 92)));
    p.drawPolygon(front, 4);
}

void DrawGearTool(QPainter& p, const CPalette& pal)
{
    constexpr int kTeeth = 8;
    QPainterPath gear;
    QPolygonF rim;
    for (int i = 0; i < kTeeth * 4; ++i) {
        const double a = (i - 1.5) * 2.0 * kPi / (kTeeth * 4);
        const double r = (i % 4 < 2) ? 11.5 : 8.5;
        rim << QPointF(r * std::cos(a), r * std::sin(a));
    }
    gear.addPolygon(rim);
    gear.closeSubpath();
    gear.addEllipse(QPointF(0, 0), 3.6, 3.6);
    gear.setFillRule(Qt::OddEvenFill);
    QLinearGradient metal(-10, -10, 10, 10);
    metal.setColorAt(0, pal(QColor(108, 132, 144)));
    metal.setColorAt(1, pal(QColor(40, 62, 74)));
    p.setPen(pal.Pen(kInk, 1.0));
    p.setBrush(metal);
    p.drawPath(gear);
}

// Pictures are saved without the overlay: the bare picture.
void DrawTypeOffFace(QPainter& p, const CPalette& pal)
{
    DrawPicture(p, pal);
}

// Pictures are saved with the measurement overlay: the picture with a measured line
// and circle in the overlay green.
void DrawTypeOnFace(QPainter& p, const CPalette& pal)
{
    DrawPicture(p, pal);
    const QColor overlay(0, 220, 40);
    const QPointF a(-9, 5), b(7, -6);
    p.setPen(pal.Pen(QColor(10, 60, 20), 3.4));
    p.drawLine(a, b);
    p.setPen(pal.Pen(overlay, 1.6));
    p.drawLine(a, b);
    DrawTick(p, a, b, a, 3.0);
    DrawTick(p, a, b, b, 3.0);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(-5, -3), 3.5, 3.5);
}

void DrawThumbTool(QPainter& p, const CPalette& pal)
{
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRectF cell(-11.5 + col * 8, -9.5 + row * 7, 7, 5.5);
            const bool bPicked = (row == 1 && col == 1);
            p.setPen(pal.Pen(bPicked ? kMark : kInk, bPicked ? 1.4 : 1.0));
            p.setBrush(pal(bPicked ? QColor(196, 228, 244) : WithAlpha(kAccent, 150)));
            p.drawRect(cell);
        }
    }
}

void DrawWhiteBalanceTool(QPainter& p, const CPalette& pal)
{
    QLinearGradient split(-12, 0, 12, 0);
    split.setColorAt(0.0, pal(QColor(255, 226, 170)));
    split.setColorAt(1.0, pal(QColor(176, 214, 255)));
    p.setPen(pal.Pen(kInk, 1.4));
    p.setBrush(split);
    p.drawRoundedRect(QRectF(-12.5, -9, 25, 18), 3, 3);
    QFont font(QString::fromLatin1(kLatinFamily));
    font.setBold(true);
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(pal(kInk));
    p.drawText(QRectF(-12.5, -9, 25, 18), Qt::AlignCenter, QStringLiteral("WB"));
}

void DrawScaleTool(QPainter& p, const CPalette& pal)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(pal(i % 2 == 0 ? kInk : Qt::white));
        p.drawRect(QRectF(-11 + i * 5.5, 1, 5.5, 4.5));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(pal.Pen(kInk, 1.2));
    p.drawRect(QRectF(-11, 1, 22, 4.5));
    p.setPen(pal.Pen(kMark, 1.5));
    p.drawLine(QPointF(-11, -5), QPointF(11, -5));
    p.drawLine(QPointF(-11, -8), QPointF(-11, -2));
    p.drawLine(QPointF(11, -8), QPointF(11, -2));
}

} // namespace art
