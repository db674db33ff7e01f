// The image setting dialog of the main window: opened by SET while live, registered so
// that the automatic exposure shows its new gain and exposure in it.
#include "app/dialogs/image_set_dlg.h"
#include "app/shell/viewer_dlg.h"

#include <QMetaObject>

void CViewerDlg::OpenImageSetDlg()
{
    CImageSetRules rules(m_Settings, m_Camera);
    CImageSetDlg dlg(rules, this);
    m_pImageSetDlg = &dlg;
    // The automatic exposure runs on the display thread: its values come over as
    // queued calls, which find the dialog only while it is open.
    m_LiveView.ExposureControl().SetImageSetDlgHook([this](int nControlId, int nValue) {
        QMetaObject::invokeMethod(
            this,
            [this, nControlId, nValue] {
                if (m_pImageSetDlg != nullptr)
                    m_pImageSetDlg->ShowCameraValue(nControlId, nValue);
            },
            Qt::QueuedConnection);
    });
    const int nResult = dlg.exec();
    m_LiveView.ExposureControl().ClearImageSetDlgHook();
    m_pImageSetDlg = nullptr;
    if (nResult == QDialog::Accepted) {
        RecalcLayout();
        m_bRepaintAll = 1;
        update();
    }
}
