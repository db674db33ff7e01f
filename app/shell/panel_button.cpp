#include "app/shell/panel_button.h"

#include "app/shell/core/panel_faces.h"

#include <QPainter>

CPanelButton::CPanelButton(int nId, const QImage& sheet, SIZE faceSize, std::function<bool(bool, POINT&)> faceOf,
                           std::function<bool()> isActiveTool, QWidget* pParent)
    : QPushButton(pParent), m_Sheet(sheet), m_FaceSize(faceSize.cx, faceSize.cy), m_FaceOf(std::move(faceOf)),
      m_IsActiveTool(std::move(isActiveTool))
{
    setObjectName(QString::number(nId));
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
}

void CPanelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    POINT cell;
    if (!m_Sheet.isNull() && m_FaceOf && m_FaceOf(isEnabled(), cell))
        painter.drawImage(QPoint(0, 0), m_Sheet, QRect(QPoint(cell.x, cell.y), m_FaceSize));

    const bool bPressed = isDown() && underMouse();
    const bool bActive = m_IsActiveTool && m_IsActiveTool();
    if (!bPressed && !bActive)
        return;
    // The active tool's green dot is painted after the pressed one and covers it.
    const COLORREF color = bActive ? ACTIVE_TOOL_DOT_COLOR : PRESSED_DOT_COLOR;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    const RECT& dot = INDICATOR_RECT;
    painter.drawEllipse(QRectF(dot.left, dot.top, dot.right - dot.left, dot.bottom - dot.top));
}
