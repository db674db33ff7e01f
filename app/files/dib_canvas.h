// CDibCanvas: the measurement overlay's canvas on a 24-bit picture, drawing its lines,
// ellipses and labels straight into the pixels, the same on every machine and without
// a window system: saved pictures come out alike from the window and from vexilo-cli.
#pragma once

#include "app/imaging/dib_image.h"
#include "app/measure/measure_canvas.h"

// Coordinates are picture pixels (y down from the top line); whatever falls outside the
// picture is clipped. Lines are one pixel wide, or stamped with a round dot for wider
// pens, and leave out their end point as the platform's LineTo does; a stroke of no
// length marks a dot with a wide pen and nothing with a one-pixel one. Texts use the
// label font (label_font.h). A picture of another depth than 24 bits is left alone.
class CDibCanvas : public IMeasureCanvas {
public:
    explicit CDibCanvas(CDibImage& picture) : m_Picture(picture) {}

    void SetPen(int nWidth, COLORREF color) override;
    void SetTextColor(COLORREF color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Arc(const RECT& rcBox, POINT ptStart, POINT ptEnd) override;
    void TextOut(int x, int y, const std::string& szText) override;

private:
    // One pixel in color, when it lies in the picture.
    void Plot(long long x, long long y, COLORREF color);
    // One point of the pen: a pixel, or a dot of the pen's width around it.
    void PlotPen(long long x, long long y);
    // A line between two points, both in the picture's neighbourhood.
    void DrawSegment(int x0, int y0, int x1, int y1, bool bIncludeEnd);

    CDibImage& m_Picture;
    int m_nPenWidth = 1;
    COLORREF m_PenColor = 0;
    COLORREF m_TextColor = 0;
    POINT m_Current{};
};
