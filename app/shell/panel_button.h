// An owner-drawn button of the main window: it paints a cell of a picture
// instead of a caption, with the red pressed dot and the green active-tool dot.
#pragma once

#include "platform/win_types.h"

#include <QPushButton>

#include <functional>

class CPanelButton : public QPushButton {
    Q_OBJECT

public:
    // faceOf answers, for the button's enabled state, the top-left corner of the cell
    // to show now (false: draw nothing);
    // isActiveTool answers whether the green dot is shown.
    CPanelButton(int nId, const QImage& sheet, SIZE faceSize, std::function<bool(bool, POINT&)> faceOf,
                 std::function<bool()> isActiveTool, QWidget* pParent);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    const QImage& m_Sheet; // owned by the main window, outlives its buttons
    QSize m_FaceSize;
    std::function<bool(bool, POINT&)> m_FaceOf;
    std::function<bool()> m_IsActiveTool;
};
