// Theme colours, sizes and the enabled/disabled colour mapping shared by all artwork.
#pragma once

#include <QColor>
#include <QPen>

#include <cmath>
#include <numbers>

namespace art {

// The window background matches the colour the main window gives its static controls,
// so the captions of group boxes sit flush on the tile.
inline const QColor kTeal(0, 168, 185);
inline const QColor kFaceTop(242, 248, 249);
inline const QColor kFaceBottom(186, 206, 213);
inline const QColor kOutline(24, 66, 80);
inline const QColor kInk(26, 52, 64);
inline const QColor kAccent(0, 132, 152);
inline const QColor kMark(232, 110, 18);
inline const QColor kCaption(14, 38, 48);

// Families of the font files that main() registers.
inline constexpr const char* kLatinFamily = "DejaVu Sans";
inline constexpr const char* kJapaneseFamily = "IPAGothic";

inline constexpr double kPi = std::numbers::pi;

// Colours of one face state. Enabled faces show colours as they are; disabled faces
// map every colour to a pale grey close to the face colour, which keeps the shapes
// recognisable but flat and of low contrast.
class CPalette {
public:
    explicit CPalette(bool bEnabled) : m_bEnabled(bEnabled) {}

    QColor operator()(const QColor& c) const
    {
        if (m_bEnabled)
            return c;
        const double luma = 0.30 * c.red() + 0.59 * c.green() + 0.11 * c.blue();
        const int g = static_cast<int>(std::lround(212.0 - (255.0 - luma) * 0.30));
        return QColor(g - 5, g, g + 2, c.alpha());
    }

    // Round-capped pen in the mapped colour.
    QPen Pen(const QColor& c, double width) const
    {
        QPen pen((*this)(c), width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    }

private:
    bool m_bEnabled;
};

inline QColor WithAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

} // namespace art
