// CScaleDlg: the modeless scale dialog (template 158): shows or hides the scale bar, sets
// its kind, places it in a corner or the centre and sets its real lengths. Every change
// reaches the main window at once; Cancel hands back the bar as it was at Open.
#pragma once

#include "app/calib/scale_bar.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;

class CScaleDlg : public QDialog {
    Q_OBJECT

public:
    explicit CScaleDlg(QWidget* pParent);

    // Opens the dialog on a copy of current, for a picture of nImageWidth x nImageHeight,
    // with its top-left corner at topLeft (screen coordinates). onChange receives the
    // scale data after every change the dialog makes, and after OK and Cancel. Cancel
    // hands back the copy taken here, except for the fields that follow the window
    // (Unit, MppX, MppY, bDrag, DragOffset), which keep their latest values: they
    // describe the selected calibration entry and the mouse, not the bar's settings.
    // Does nothing while the dialog is open.
    void Open(const CScaleData& current, int nImageWidth, int nImageHeight, const QPoint& topLeft,
              std::function<void(const CScaleData&)> onChange);
    bool IsOpen() const { return m_bOpen; }

    // The window changed the scale data while the dialog is open (a drag of the bar, new
    // factors and unit after a recalculation): the working copy follows, the copy Cancel
    // restores stays. The controls are left as they are. Ignored while closed.
    void Update(const CScaleData& data);

protected:
    void accept() override; // OK
    void reject() override; // CANCEL, Escape and the close box

private:
    void OnShowToggled(bool bChecked);
    void OnTypeChanged(int nIndex);
    void OnPositionChosen(int nIndex);
    // Reads X and Y; false, after saying so once and giving the first bad field the
    // focus, when one holds no integer.
    bool ReadSize(int& nX, int& nY);
    void Changed();
    void Close();

    QCheckBox* m_chkShow = nullptr;    // 1205
    QComboBox* m_cbType = nullptr;     // 1124
    QComboBox* m_cbPosition = nullptr; // 1125
    QLineEdit* m_edX = nullptr;        // 1121
    QLineEdit* m_edY = nullptr;        // 1122

    bool m_bOpen = false;
    CScaleData m_Saved;   // as at Open: what Cancel restores
    CScaleData m_Working; // with the dialog's changes, as the window has it
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    std::function<void(const CScaleData&)> m_OnChange;
};
