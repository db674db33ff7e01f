#include "app/dialogs/thumb_paint.h"

#include "app/res/ui_texts.h"
#include "app/dialogs/dib_qimage.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>

QFont ThumbFont()
{
    QFont font(QString::fromUtf8(LoadUiString(IDS_THUMB_FONT)));
    font.setPointSize(11);
    return font;
}

int ThumbLabelHeight() { return QFontMetrics(ThumbFont()).height(); }

void PaintThumbnail(QPainter& painter, const CThumbItem& item, int nNumber, const QRect& rcThumb, int nLabelTop)
{
    DrawDib(painter, rcThumb.topLeft(), item.m_Image);
    painter.save();
    painter.setFont(ThumbFont());
    painter.setPen(Qt::black);
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::OpaqueMode);
    const QFontMetrics metrics(painter.font());
    const QString name = QFileInfo(QString::fromStdString(item.m_szPath)).fileName();
    const int nWidth = metrics.horizontalAdvance(name);
    const int x = nWidth < rcThumb.width() ? rcThumb.left() + (rcThumb.width() - nWidth) / 2 : rcThumb.left();
    painter.drawText(QPoint(x, nLabelTop + metrics.ascent()), name);
    painter.drawText(QPoint(rcThumb.left(), rcThumb.top() + metrics.ascent()), QString::number(nNumber));
    painter.restore();
}
