// CCalibDlg: the modeless calibration dialog (template 139) on one calibration entry:
// its name, the real size of its reference rectangle and its unit, and the factors OK
// would store. The main window drags the rectangle's handles while it is open.
#pragma once

#include "app/calib/calib_entry.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

class CCalibDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCalibDlg(QWidget* pParent);

    // Opens the dialog on pEntry with its top-left corner at topLeft (screen
    // coordinates). pCalibCombo is the main window's calibration choice, whose text OK
    // replaces. Does nothing while the dialog is open.
    void Open(CCalibEntry* pEntry, QComboBox* pCalibCombo, const QPoint& topLeft);
    bool IsOpen() const { return m_pEntry != nullptr; }
    // The entry being edited; null while closed.
    const CCalibEntry* Entry() const { return m_pEntry; }

    // Rebuilds the info line from the fields as they are; also after every step of a
    // handle drag, since the factors follow the rectangle.
    void OnFieldChange();

signals:
    // The dialog has closed: 1 after OK, 2 after Cancel.
    void DialogDone(int nResult);

protected:
    void accept() override; // OK
    void reject() override; // CANCEL, Escape and the close box

private:
    // Reads a number field; false, after saying so and giving it the focus, when it
    // holds no number.
    bool ReadLength(QLineEdit* pField, double& dValue);
    void Close(int nResult);

    QLineEdit* m_edName = nullptr; // 1119
    QLineEdit* m_edX = nullptr;    // 1121
    QLineEdit* m_edY = nullptr;    // 1122
    QComboBox* m_cbUnit = nullptr; // 1123
    QLineEdit* m_edInfo = nullptr; // 1140, read-only

    CCalibEntry* m_pEntry = nullptr;
    QComboBox* m_pCalibCombo = nullptr;
};
