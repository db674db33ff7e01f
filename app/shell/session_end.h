// Ends the program the normal way when the session asks it to: SIGTERM (logout,
// shutdown, `kill`) and SIGINT (Ctrl+C in a terminal) close the main window as its
// close box would, without the confirmation question, so the settings are saved.
#pragma once

#include "app/shell/viewer_dlg.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

class CSessionEnd : public QObject {
    Q_OBJECT

public:
    // Catches the two signals for the life of this object. The first closes the dialogs
    // open at the time and the window given to Watch, if any. A second signal while the
    // window closes ends the process at once, as it would have without this object.
    CSessionEnd();
    ~CSessionEnd() override;
    CSessionEnd(const CSessionEnd&) = delete;
    CSessionEnd& operator=(const CSessionEnd&) = delete;

    // The main window to close; null: none (yet, or any more).
    void Watch(CViewerDlg* pWindow) { m_pWindow = pWindow; }

private:
    void OnSignal();
    // Rejects the innermost dialog above the window, one a turn of the event loop so each
    // dialog's own Cancel handling runs before the next; closes the window last.
    void CloseNext();

    CViewerDlg* m_pWindow = nullptr;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
