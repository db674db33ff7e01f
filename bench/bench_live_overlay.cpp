// CPU use of the live view without and with a dozen measurements drawn over it: the
// window runs on Qt's offscreen platform with the simulated camera; the measurements
// are entered with mouse events as a user would. Prints the share of one core used in
// each case. Usage: bench_live_overlay [seconds per case, default 15].
#include "app/shell/core/camera_backend.h"
#include "app/shell/viewer_dlg.h"
#include "bench/live_window_input.h"

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
    bench::EnterDozen(dlg);
    std::printf("measurements on screen: %d\n", dlg.MeasureList().Count());
    const double dOverlay = CpuShareOver(nSeconds);
    std::printf("live, processing off, offscreen: cpu %.1f%% of one core without measurements, %.1f%% with a dozen\n",
                dPlain, dOverlay);
    std::printf("frames shown: %llu\n", static_cast<unsigned long long>(dlg.LiveView().ShownFrameCount()));
    return 0;
}
