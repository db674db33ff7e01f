// Painting a thumbnail as the strip and the thumbnail dialog show it: the picture, its
// 1-based number at the top-left corner and its file name, in black on white.
#pragma once

#include "app/files/thumb_list.h"

#include <QFont>
#include <QRect>

class QPainter;

// 11 points in the face of string 1010.
QFont ThumbFont();

// The thumbnail at rcThumb's corner, the number nNumber on it, and the file name with its
// top at nLabelTop: centred on the thumbnail when narrower, else from its left edge.
void PaintThumbnail(QPainter& painter, const CThumbItem& item, int nNumber, const QRect& rcThumb, int nLabelTop);

// The height of a label in the thumbnail font.
int ThumbLabelHeight();
