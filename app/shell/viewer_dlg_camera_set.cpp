#include "app/dialogs/camera_set_dlg.h"
#include "app/shell/viewer_dlg.h"

void CViewerDlg::OpenCameraSetDlg()
{
    const CCameraSetValues current =
        m_Settings.Read([](const CViewerSettings& s) { return CCameraSetValues::From(s); });
    CCameraSetDlg dlg(this, current);
    if (dlg.exec() != QDialog::Accepted)
        return;
    // Stored only: the camera stays as it is until LIVE starts it again with these.
    const CCameraSetValues chosen = dlg.Values();
    m_Settings.Update([&chosen](CViewerSettings& s) { chosen.PutInto(s); });
}
