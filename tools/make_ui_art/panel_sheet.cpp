// Sprite sheets of the owner-drawn buttons: the 400 x 318 panel and the 52 x 13 toggles.
#include "panel_sheet.h"

#include "pictograms.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include <algorithm>

namespace art {

namespace {

constexpr int kCellWidth = 50;
constexpr int kCellHeight = 53;
constexpr int kDisabledOffset = 200;

// Where the program paints its red/green indicator lamp onto a face.
const QRectF kLampRect(1, 41, 11, 10);

struct CFaceEntry {
    int x;
    int y;
    const char* szEnglish;
    const char* szJapanese;
    PictogramFn pictogram;
};

// Cell positions of the enabled faces. Row 4 starts at y = 211, on the last pixel row
// of row 3; the one-pixel background border of every cell makes that shared row look
// the same from both sides.
const CFaceEntry kFaces[] = {
    {0, 0, "LINE", "二点間距離", DrawLineTool},
    {50, 0, "ARIA", "多角形面積", DrawAreaTool},
    {100, 0, "CIRCLE", "円直径", DrawCircleTool},
    {150, 0, "CIRCLE2", "２円間距離", DrawTwoCirclesTool},
    {0, 53, "LIVE", "ライブ映像", DrawLiveFace},     // while live
    {50, 53, "LIVE", "ライブ映像", DrawFrozenFace},  // while frozen
    {100, 53, "COLOR", "色設定", DrawColorTool},
    {150, 53, "CALIB", "設定", DrawCalibTool},
    {0, 106, "DELETE", "リスト削除", DrawDeleteTool},
    {50, 106, "CLEAR", "リスト全削除", DrawClearTool},
    {100, 106, "CSV", "保存", DrawCsvTool},
    {150, 106, "SAVE", "画像保存", DrawSaveTool},
    {0, 159, "DIR", "保存先指定", DrawFolderTool},
    {50, 159, "SET", "カメラ設定", DrawGearTool},
    {100, 159, "TYPE", "保存形式", DrawTypeOffFace}, // overlay not saved
    {150, 159, "TYPE", "保存形式", DrawTypeOnFace},  // overlay saved
    {0, 211, "THUMB", "サムネイル", DrawThumbTool},
    {50, 211, "SUI", "垂線", DrawPerpendicularTool},
    {100, 211, "ANGLE", "角度", DrawAngleTool},
    {150, 211, "WB", "WB", DrawWhiteBalanceTool},
    {0, 264, "Scale", "スケール", DrawScaleTool},
};

// Raised rounded button: vertical gradient, light bevel at the top left turning darker
// towards the bottom right, dark outline.
void DrawButtonBody(QPainter& p, const CPalette& pal, const QRectF& body, double radius)
{
    QLinearGradient face(body.topLeft(), body.bottomLeft());
    face.setColorAt(0.0, pal(kFaceTop));
    face.setColorAt(1.0, pal(kFaceBottom));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(body, radius, radius);

    QLinearGradient bevel(body.topLeft(), body.bottomRight());
    bevel.setColorAt(0.0, pal(QColor(255, 255, 255)));
    bevel.setColorAt(0.45, pal(QColor(255, 255, 255, 120)));
    bevel.setColorAt(0.55, pal(QColor(96, 128, 140, 90)));
    bevel.setColorAt(1.0, pal(QColor(96, 128, 140)));
    p.setPen(QPen(QBrush(bevel), 1.0));
    p.setBrush(Qt::NoBrush);
    const double inner = std::max(radius - 1.0, 0.5);
    p.drawRoundedRect(body.adjusted(1.5, 1.5, -1.5, -1.5), inner, inner);

    p.setPen(QPen(pal(kOutline), 1.0));
    p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// Caption centred on the face with its baseline at baselineY. ASCII captions use the
// bold Latin font, others the Japanese one. A long caption is narrowed to fit (never
// below 70 % of its width; beyond that the font gets smaller), keeping a small margin.
void DrawCaption(QPainter& p, const CPalette& pal, const QString& text, double baselineY)
{
    const bool bLatin =
        std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() < 128; });
    QFont font(QString::fromLatin1(bLatin ? kLatinFamily : kJapaneseFamily));
    font.setBold(bLatin);
    font.setStyleStrategy(QFont::PreferAntialias);
    constexpr double kRoom = kCellWidth - 7.0;
    int nSize = bLatin ? 9 : 10;
    font.setPixelSize(nSize);
    double width = QFontMetricsF(font).horizontalAdvance(text);
    while (width * 0.7 > kRoom && nSize > 6) {
        font.setPixelSize(--nSize);
        width = QFontMetricsF(font).horizontalAdvance(text);
    }
    const double squeeze = std::min(1.0, kRoom / width);
    p.save();
    p.setFont(font);
    p.setPen(pal(kCaption));
    p.translate(kCellWidth / 2.0, baselineY);
    p.scale(squeeze, 1.0);
    p.drawText(QPointF(-width / 2.0, 0.0), text);
    p.restore();
}

// One face in its cell at `at`: body, lamp socket, pictogram in the upper part, caption
// above the lamp row. Nothing but the faint socket lies inside the lamp rectangle.
void DrawFace(QPainter& p, const CFaceEntry& face, const QPoint& at, bool bJapanese, bool bEnabled)
{
    const CPalette pal(bEnabled);
    p.save();
    p.translate(at);
    p.setClipRect(QRect(0, 0, kCellWidth, kCellHeight));
    DrawButtonBody(p, pal, QRectF(1, 1, kCellWidth - 2, kCellHeight - 2), 4.0);

    p.setPen(QPen(pal(QColor(120, 148, 158, 150)), 1.0));
    p.setBrush(pal(QColor(160, 184, 192, 90)));
    p.drawEllipse(kLampRect.adjusted(2.5, 2.5, -1.5, -1.5));

    p.save();
    p.translate(kCellWidth / 2.0, 17.0);
    face.pictogram(p, pal);
    p.restore();

    DrawCaption(p, pal, QString::fromUtf8(bJapanese ? face.szJapanese : face.szEnglish), 39.5);
    p.restore();
}

} // namespace

QImage MakePanel(bool bJapanese)
{
    QImage image(400, 318, QImage::Format_RGB32);
    image.fill(kTeal);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const CFaceEntry& face : kFaces) {
        DrawFace(p, face, QPoint(face.x, face.y), bJapanese, true);
        DrawFace(p, face, QPoint(face.x + kDisabledOffset, face.y), bJapanese, false);
    }
    return image;
}

QImage MakeToggles()
{
    QImage image(52, 13, QImage::Format_RGB32);
    image.fill(kTeal);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const CPalette pal(true);
    const double angles[] = {0.0, 180.0, 90.0, 270.0}; // right, left, down, up
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(i * 13, 0);
        DrawButtonBody(p, pal, QRectF(0, 0, 13, 13), 2.0);
        p.translate(6.5, 6.5);
        p.rotate(angles[i]);
        const QPointF arrow[] = {{-1.5, -3.5}, {2.5, 0}, {-1.5, 3.5}};
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawPolygon(arrow, 3);
        p.restore();
    }
    return image;
}

} // namespace art
