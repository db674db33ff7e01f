// CCameraSetDlg: the modal camera setting dialog (template 152) on the capture window,
// the frame totals, timer, buffer size and clock; Save and Load exchange the window with
// a camera-setting file. Nothing reaches the camera here: the owner stores the values
// after OK, and the next start of live view applies them.
#pragma once

#include "app/dialogs/core/camera_set_values.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

class CCameraSetDlg : public QDialog {
    Q_OBJECT

public:
    CCameraSetDlg(QWidget* pParent, const CCameraSetValues& values);

    // The values OK took; the initial ones until then, and after CANCEL.
    const CCameraSetValues& Values() const { return m_Values; }

protected:
    // OK: closes only when every field holds an integer (the six window and total
    // fields one of 0 or more) and the camera takes the window; otherwise says why and
    // puts the focus on the field to change.
    void accept() override;

private:
    // One integer field and the member it edits.
    struct CField {
        QLineEdit* pEdit;
        int CCameraSetValues::*pnValue;
        bool bDigitsOnly;
    };

    void ShowValues(const CCameraSetValues& values);
    // The fields as values (the clock from the list, or values' own while the list has
    // no selection); false after telling the user about the first field without an
    // integer.
    bool ReadFields(CCameraSetValues& values);
    QLineEdit* FieldOf(int CCameraSetValues::*pnValue) const;
    // Says text and gives pField the focus, its text selected.
    void Refuse(QLineEdit* pField, const QString& text);
    // The file box of Save or Load; "" when cancelled.
    QString AskFile(bool bSave);
    void OnSave();
    void OnLoad();

    CCameraSetValues m_Values;
    QComboBox* m_cbClock = nullptr; // 1216
    CField m_Fields[8] = {};        // 1145 .. 1150, 1143, 1144 in tab order
};
