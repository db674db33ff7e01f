#include "app/shell/dib_qimage.h"

#include "app/imaging/dib_image.h"

QImage DibToQImage(const CDibImage& image)
{
    if (!image.IsCreated())
        return {};
    const QImage::Format format = image.BitCount() == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888;
    // Memory rows run bottom-up: wrap them, then let mirrored() copy them upright.
    QImage view(image.Bits(), image.Width(), image.Height(), image.Stride(), format);
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> colors(256);
        const RGBQUAD* pTable = image.ColorTable();
        for (int i = 0; i < 256; ++i)
            colors[i] = qRgb(pTable[i].rgbRed, pTable[i].rgbGreen, pTable[i].rgbBlue);
        view.setColorTable(colors);
    }
    return view.mirrored(false, true);
}
