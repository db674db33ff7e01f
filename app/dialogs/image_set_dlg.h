// CImageSetDlg: the image setting dialog (template 153), opened by SET while the view is
// live. Its controls act at once through CImageSetRules: the next frame shows the change.
#pragma once

#include "app/dialogs/core/image_set_rules.h"

#include <QDialog>

class QAbstractButton;
class QSlider;
class QSpinBox;

class CImageSetDlg : public QDialog {
    Q_OBJECT

public:
    // The rules must outlive the dialog.
    CImageSetDlg(CImageSetRules& rules, QWidget* pParent = nullptr);

    // The automatic exposure's new value for edit nControlId (1187 the global gain,
    // 1198 the exposure): shown, and sent to the camera like a value typed there.
    void ShowCameraValue(int nControlId, int nValue);

    void accept() override;
    void reject() override;

private:
    // An edit with its spin for a field, and the slider that moves with it (or null).
    QSpinBox* AddField(EImageSetField field, int nEditId, const CImageSetStart& start, QSlider* pSlider = nullptr);
    QAbstractButton* AddCheck(EImageSetCheck check, int nId, bool bTicked);
    QSpinBox* m_spFields[static_cast<int>(EImageSetField::Count)] = {};
    CImageSetRules& m_Rules;
};
