// The drawing surface of the measurement overlay and the scale bar: the few drawing
// operations they use, in integer pixel coordinates. The window draws through one on
// screen and into saved pictures; tests record the calls.
#pragma once

#include "platform/win_types.h"

#include <string>

class IMeasureCanvas {
public:
    virtual ~IMeasureCanvas() = default;
    // A solid pen of the given width for the lines, arcs and strokes that follow.
    virtual void SetPen(int nWidth, COLORREF color) = 0;
    // The colour of the texts that follow (drawn without a background).
    virtual void SetTextColor(COLORREF color) = 0;
    // The current position, from which LineTo draws.
    virtual void MoveTo(int x, int y) = 0;
    // A line from the current position to (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // The arc of the ellipse inscribed in rcBox, counter-clockwise from the direction
    // of ptStart to that of ptEnd (the same point: the whole ellipse).
    virtual void Arc(const RECT& rcBox, POINT ptStart, POINT ptEnd) = 0;
    // A text (UTF-8) with its top-left corner at (x, y).
    virtual void TextOut(int x, int y, const std::string& szText) = 0;
};
