// Turns a CDibImage into a QImage for showing it in Qt widgets.
#pragma once

#include <QImage>

class CDibImage;

class QPainter;
class QPoint;

// An upright copy of the picture (8-bit pictures as Indexed8 with their colour
// table, 24-bit as BGR888); a null image for an empty picture.
QImage DibToQImage(const CDibImage& image);

// Draws the picture upright with its top-left corner at topLeft, without copying
// its pixels first.
void DrawDib(QPainter& painter, const QPoint& topLeft, const CDibImage& image);
