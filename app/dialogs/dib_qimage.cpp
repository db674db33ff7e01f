#include "app/dialogs/dib_qimage.h"

#include "app/imaging/dib_image.h"

#include <QPainter>

namespace {

// The picture's rows as they lie in memory, bottom row first, without a copy.
QImage MemoryRowsView(const CDibImage& image)
{
    const QImage::Format format = image.BitCount() == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888;
    QImage view(image.Bits(), image.Width(), image.Height(), image.Stride(), format);
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> colors(256);
        const RGBQUAD* pTable = image.ColorTable();
        for (int i = 0; i < 256; ++i)
            colors[i] = qRgb(pTable[i].rgbRed, pTable[i].rgbGreen, pTable[i].rgbBlue);
        view.setColorTable(colors);
    }
    return view;
}

} // namespace

QImage DibToQImage(const CDibImage& image)
{
    if (!image.IsCreated())
        return {};
    return MemoryRowsView(image).mirrored(false, true);
}

void DrawDib(QPainter& painter, const QPoint& topLeft, const CDibImage& image)
{
    if (!image.IsCreated())
        return;
    // Memory rows run bottom-up: draw them through a vertical flip.
    painter.save();
    painter.translate(topLeft.x(), topLeft.y() + image.Height());
    painter.scale(1, -1);
    painter.drawImage(0, 0, MemoryRowsView(image));
    painter.restore();
}
