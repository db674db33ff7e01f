// Vexilo: live view, measurement and picture files for the USB microscope camera.
#include "app/shell/instance_lock.h"
#include "app/shell/core/settings_file.h"
#include "app/shell/viewer_app.h"

#include <QApplication>
#include <QCommandLineParser>

#include <clocale>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexilo"));
    // Numbers in files and labels are always written with a decimal point,
    // whatever the user's locale says (QApplication has just adopted it).
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Live view and measurement for the USB microscope camera."));
    parser.addHelpOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("Folder of Vexilo.ini and the default picture folder (also $VEXILO_SETTINGS)."),
        QStringLiteral("DIR"));
    parser.addOption(settingsOption);
    const QCommandLineOption cameraOption(
        QStringLiteral("camera"),
        QStringLiteral("Where cameras come from: usb (real cameras), sim (a simulated camera) or none (also "
                       "$VEXILO_CAMERA). Default: the USB cameras attached at start, if any."),
        QStringLiteral("KIND"));
    parser.addOption(cameraOption);
    parser.process(application);

    const QString cameraName =
        parser.isSet(cameraOption) ? parser.value(cameraOption) : qEnvironmentVariable("VEXILO_CAMERA");
    ECameraBackendKind cameras = ECameraBackendKind::Automatic;
    if (!ParseCameraBackend(cameraName.toStdString(), cameras)) {
        std::fprintf(stderr, "vexilo: unknown camera kind \"%s\" (use usb, sim or none)\n", qPrintable(cameraName));
        return 1;
    }

    CViewerApp app(CInstanceLock::DefaultPath(), ResolveSettingsFolder(parser.value(settingsOption).toStdString()),
                   cameras);
    app.InitInstance();
    return 0;
}
