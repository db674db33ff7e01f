// Window artwork: background tile, program icon and the pointing-hand cursor.
#include "window_art.h"

#include "art_style.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace art {

// The tile is the theme colour with a faint graticule: a dot every 10 pixels and a
// small cross every 50, over a gentle wave of shading. All periods divide the tile
// size, so the tile repeats without seams.
QImage MakeBackground()
{
    constexpr int kSize = 200;
    QImage image(kSize, kSize, QImage::Format_RGB32);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double u = 2.0 * kPi * x / kSize;
            const double v = 2.0 * kPi * y / kSize;
            double shade = 2.2 * std::sin(u + v) + 1.4 * std::cos(2.0 * u - v);
            const int dx = x % 50 - 25;
            const int dy = y % 50 - 25;
            if ((dx == 0 && std::abs(dy) <= 2) || (dy == 0 && std::abs(dx) <= 2))
                shade += 9.0;
            else if (x % 10 == 5 && y % 10 == 5)
                shade += 8.0;
            const auto channel = [shade](int base) {
                return std::clamp(static_cast<int>(std::lround(base + shade)), 0, 255);
            };
            image.setPixel(x, y,
                           qRgb(channel(kTeal.red()), channel(kTeal.green()), channel(kTeal.blue())));
        }
    }
    return image;
}

// Front view of an objective lens: knurled barrel, teal bezel, coated glass.
QImage MakeIcon()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(32, 32);

    QLinearGradient barrel(4, 4, 60, 60);
    barrel.setColorAt(0, QColor(92, 106, 116));
    barrel.setColorAt(1, QColor(18, 26, 32));
    p.setPen(QPen(QColor(10, 16, 20), 1.5));
    p.setBrush(barrel);
    p.drawEllipse(c, 30.5, 30.5);

    p.setPen(QPen(QColor(140, 156, 166, 160), 1.2));
    for (int i = 0; i < 48; ++i) {
        const double a = i * 2.0 * kPi / 48;
        p.drawLine(c + QPointF(27 * std::cos(a), 27 * std::sin(a)),
                   c + QPointF(29.5 * std::cos(a), 29.5 * std::sin(a)));
    }

    QLinearGradient bezel(10, 10, 54, 54);
    bezel.setColorAt(0, QColor(120, 226, 236));
    bezel.setColorAt(1, QColor(0, 104, 118));
    p.setPen(QPen(QColor(8, 40, 48), 1.0));
    p.setBrush(bezel);
    p.drawEllipse(c, 24.5, 24.5);

    QRadialGradient glass(QPointF(28, 28), 22);
    glass.setColorAt(0.0, QColor(40, 90, 150));
    glass.setColorAt(0.6, QColor(12, 40, 88));
    glass.setColorAt(1.0, QColor(4, 14, 36));
    p.setPen(QPen(QColor(4, 10, 20), 1.0));
    p.setBrush(glass);
    p.drawEllipse(c, 19.5, 19.5);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 168, 185, 110));
    p.drawEllipse(c, 8, 8);
    p.setBrush(QColor(150, 90, 220, 110));
    p.drawEllipse(QPointF(39, 40), 4, 3);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(QPointF(24, 23), 5, 3.2);
    p.setPen(QPen(QColor(255, 255, 255, 150), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(17, 17, 30, 30), 100 * 16, 60 * 16);
    return image;
}


// The cursor is pixel art so that every pixel is exactly black, white or transparent:
// 'X' outline, 'o' fill, '.' transparent. Row 0 is the top of the picture.
QImage MakeCursor()
{
    static const char* const kRows[] = {
        "....XXX.............",
        "...XoooX............",
        "...XoooX............",
        "...XoooX............",
        "...XoooX............",
        "...XoooX............",
        "...XoooXXXX.........",
        "...XoooXoooXXXX.....",
        "...XoooXoooXoooXXXX.",
        "...XoooXoooXoooXoooX",
        "...XoooXoooXoooXoooX",
        ".XXXoooXoooXoooXoooX",
        "XooXoooooooooooooooX",
        "XooXoooooooooooooooX",
        ".XoooooooooooooooooX",
        ".XoooooooooooooooooX",
        "..XooooooooooooooooX",
        "..XooooooooooooooooX",
        "...XoooooooooooooooX",
        "...XooooooooooooooX.",
        "....XooooooooooooX..",
        "....XooooooooooooX..",
        "....XooooooooooooX..",
        "....XXXXXXXXXXXXXX..",
    };
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    int y = 0;
    for (const char* szRow : kRows) {
        for (int x = 0; szRow[x] != '\0'; ++x) {
            if (szRow[x] == 'X')
                image.setPixel(x, y, qRgba(0, 0, 0, 255));
            else if (szRow[x] == 'o')
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
        }
        ++y;
    }
    return image;
}

} // namespace art
