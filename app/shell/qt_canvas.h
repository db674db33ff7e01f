// The measurement overlay's canvas on a QPainter: lines, arcs and texts in the painter's
// coordinates, on screen or into a picture.
#pragma once

#include "app/measure/measure_canvas.h"

#include <QPoint>

class QPainter;

class CQtCanvas : public IMeasureCanvas {
public:
    explicit CQtCanvas(QPainter& painter) : m_Painter(painter) {}

    void SetPen(int nWidth, COLORREF color) override;
    void SetTextColor(COLORREF color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Arc(const RECT& rcBox, POINT ptStart, POINT ptEnd) override;
    void TextOut(int x, int y, const std::string& szText) override;

private:
    QPainter& m_Painter;
    QPoint m_Current;
    COLORREF m_TextColor = 0;
};
