// CColorSetDlg: the colour setting dialog (template 136): two swatches showing the
// line colour and the text colour of the measurements; clicking one opens the colour
// chooser, whose choice takes effect at once.
#pragma once

#include "platform/win_types.h"

#include <QDialog>

#include <functional>

class CColorSwatch;

class CColorSetDlg : public QDialog {
    Q_OBJECT

public:
    // onChange gets the line and text colours whenever the chooser returns one.
    CColorSetDlg(QWidget* pParent, COLORREF clrLine, COLORREF clrText,
                 std::function<void(COLORREF clrLine, COLORREF clrText)> onChange);

    COLORREF LineColor() const { return m_clrLine; }
    COLORREF TextColor() const { return m_clrText; }

private:
    // Runs the chooser on one of the colours; a cancelled chooser changes nothing.
    void Choose(COLORREF& color, CColorSwatch* pSwatch);

    COLORREF m_clrLine;
    COLORREF m_clrText;
    std::function<void(COLORREF, COLORREF)> m_OnChange;
    CColorSwatch* m_pLineSwatch = nullptr; // 1023
    CColorSwatch* m_pTextSwatch = nullptr; // 1024
};
