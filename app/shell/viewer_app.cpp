#include "app/shell/viewer_app.h"

#include "app/res/ui_texts.h"
#include "app/shell/instance_lock.h"
#include "app/shell/session_end.h"
#include "app/shell/viewer_dlg.h"
#include "platform/system_language.h"

#include <QMessageBox>

#include <cstdio>

CViewerApp::CViewerApp(QString lockPath, std::string szSettingsFolder, ECameraBackendKind cameras)
    : m_LockPath(std::move(lockPath)), m_szSettingsFolder(std::move(szSettingsFolder)), m_Cameras(cameras)
{
}

void CViewerApp::ShowAlreadyRunning(QWidget* pParent)
{
    const QString message = QString::fromUtf8(LoadUiString(IDS_ALREADY_RUNNING));
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vexilo"), message, QMessageBox::Ok, pParent);
    box.exec();
}

BOOL CViewerApp::InitInstance()
{
    // The language decides which copy of every text is shown, the message below included.
    g_bJapanese = IsSystemLanguageJapanese() ? 1 : 0;

    // Caught before the lock is taken: whoever sees the lock held can end this instance
    // the normal way.
    CSessionEnd sessionEnd;
    CInstanceLock lock(m_LockPath);
    if (!lock.TryAcquire()) {
        ShowAlreadyRunning();
        return FALSE;
    }

    CCameraBackend cameras(m_Cameras);
    CViewerDlg dlg(cameras.Devices(), m_szSettingsFolder);
    sessionEnd.Watch(&dlg);
    dlg.DoModal();
    sessionEnd.Watch(nullptr);
    return FALSE;
}
