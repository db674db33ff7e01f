// CPU use of the live view without and with a dozen measurements drawn over it: the
// window runs on Qt's offscreen platform with the simulated camera; the measurements
// are entered with mouse events as a user would. Prints the share of one core used in
// each case. Usage: bench_live_overlay [seconds per case, default 15].
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for nSeconds and answers the share of one core used meanwhile.
double CpuShareOver(int nSeconds)
{
    const double dStart = CpuSeconds();
    QTest::qWait(nSeconds * 1000);
    return 100.0 * (CpuSeconds() - dStart) / nSeconds;
}

void Click(CViewerDlg& dlg, const QPoint& point)
{
    QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, point);
}

// Thirteen measurements: four lengths, two polygons, two circles, two two-circle items
// (lines, arcs and three labels each), two perpendiculars on one base line and an angle.
void EnterDozen(CViewerDlg& dlg)
{
    const QPoint corner = dlg.GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
    auto tool = [&dlg](int nId) { qobject_cast<QAbstractButton*>(dlg.GetDlgItem(nId))->click(); };
    auto at = [&corner](int x, int y) { return corner + QPoint(x, y); };
    for (int i = 0; i < 4; ++i) {
        tool(IDC_LINE);
        QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, at(40, 40 + 30 * i));
        QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, at(240, 60 + 30 * i));
    }
    for (int i = 0; i < 2; ++i) {
        tool(IDC_ARIA);
        for (QPoint p : {at(300 + 120 * i, 40), at(400 + 120 * i, 50), at(380 + 120 * i, 140), at(310 + 120 * i, 120)})
            Click(dlg, p);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at(310 + 120 * i, 120)),
                        dlg.mapToGlobal(QPointF(at(310 + 120 * i, 120))), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(&dlg, &dbl);
    }
    for (int i = 0; i < 2; ++i) {
        tool(IDC_CIRCLE);
        for (QPoint p : {at(60 + 150 * i, 250), at(100 + 150 * i, 210), at(140 + 150 * i, 250)})
            Click(dlg, p);
        tool(IDC_CIRCLE2);
        for (QPoint p : {at(60 + 150 * i, 350), at(80 + 150 * i, 330), at(100 + 150 * i, 350),
                         at(120 + 150 * i, 420), at(140 + 150 * i, 400), at(160 + 150 * i, 420)})
            Click(dlg, p);
    }
    tool(IDC_SUI);
    for (QPoint p : {at(350, 300), at(600, 320), at(400, 360), at(500, 260)})
        Click(dlg, p);
    QTest::mouseClick(&dlg, Qt::RightButton, Qt::NoModifier, at(630, 470));
    tool(IDC_ANGLE);
    for (QPoint p : {at(550, 450), at(450, 440), at(500, 380)})
        Click(dlg, p);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int nSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir settings;
    CCameraBackend cameras(ECameraBackendKind::Simulated);
    CViewerDlg dlg(cameras.Devices(), settings.path().toStdString());
    dlg.OnInitDialog();
    dlg.resize(1100, 800);
    dlg.show();
    QTest::qWait(1500); // the camera starts and frames flow

    const double dPlain = CpuShareOver(nSeconds);
    EnterDozen(dlg);
    std::printf("measurements on screen: %d\n", dlg.MeasureList().Count());
    const double dOverlay = CpuShareOver(nSeconds);
    std::printf("live, processing off, offscreen: cpu %.1f%% of one core without measurements, %.1f%% with a dozen\n",
                dPlain, dOverlay);
    std::printf("frames shown: %llu\n", static_cast<unsigned long long>(dlg.LiveView().ShownFrameCount()));
    return 0;
}
