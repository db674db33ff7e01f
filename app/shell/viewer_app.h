// The application object: one running instance, the language choice, and the
// main window run modally for the life of the process.
#pragma once

#include "app/shell/core/camera_backend.h"
#include "platform/win_types.h"

#include <QString>

#include <string>

class QWidget;

class CViewerApp {
public:
    // lockPath: the single-instance lock; szSettingsFolder: where Vexilo.ini lives;
    // cameras: where cameras come from.
    CViewerApp(QString lockPath, std::string szSettingsFolder, ECameraBackendKind cameras);

    // Runs the program; FALSE always, as the process ends when it returns.
    BOOL InitInstance();

    // Shows the "already running" message (string 1011) with an OK button.
    static void ShowAlreadyRunning(QWidget* pParent = nullptr);

private:
    QString m_LockPath;
    std::string m_szSettingsFolder;
    ECameraBackendKind m_Cameras;
};
