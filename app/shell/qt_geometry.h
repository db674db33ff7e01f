// Conversions between the core's rectangles and Qt's.
#pragma once

#include "platform/win_types.h"

#include <QRect>

inline QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }

inline RECT ToRect(const QRect& rc)
{
    return RECT{rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()};
}
