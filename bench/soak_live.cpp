// Soak run of the live view: the window on Qt's offscreen platform with the simulated
// camera, the whole processing chain on (colour reconstruction, hue/lightness/saturation,
// gamma, contrast, sharpening, binarization, automatic exposure) and thirteen
// measurements on screen, for a number of minutes. Prints the resident memory and the
// frames shown at the end of every minute, and answers 1 when the memory grew by more
// than VEXILO_SOAK_GROWTH_KB (default 2048) from the end of the first minute to the end
// of the last. Usage: soak_live [minutes, default 10].
#include "app/shell/core/camera_backend.h"
#include "app/shell/viewer_dlg.h"
#include "bench/live_window_input.h"
#include "platform/profile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// VmRSS of this process in kB; 0 when /proc cannot tell.
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string szLine;
    while (std::getline(status, szLine)) {
        if (szLine.rfind("VmRSS:", 0) == 0)
            return std::strtol(szLine.c_str() + 6, nullptr, 10);
    }
    return 0;
}

bool WriteWholeChainSettings(const std::string& szFolder)
{
    const std::string szIni = szFolder + "/Vexilo.ini";
    const char* const pairs[][2] = {
        {"m_BayerFlg", "1"}, {"m_BayerMode", "3"}, {"m_HLS.H", "10"},    {"m_HLS.L", "5"},
        {"m_HLS.S", "5"},    {"Gamma", "120"},     {"m_HLS.C", "20"},    {"m_HLS.SP", "10"},
        {"m_BinaryFlg", "1"}, {"m_AutoIrisFlg", "1"}, {"m_ScaleData.Visible", "1"},
    };
    for (const auto& pair : pairs) {
        if (!WritePrivateProfileStringA("Vexilo", pair[0], pair[1], szIni.c_str()))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int nMinutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const char* szGrowth = std::getenv("VEXILO_SOAK_GROWTH_KB");
    const long nAllowedGrowthKb = szGrowth != nullptr ? std::atol(szGrowth) : 2048;

    QTemporaryDir settings;
    if (!settings.isValid() || !WriteWholeChainSettings(settings.path().toStdString())) {
        std::fprintf(stderr, "soak_live: cannot write the settings file\n");
        return 2;
    }
    CCameraBackend cameras(ECameraBackendKind::Simulated);
    CViewerDlg dlg(cameras.Devices(), settings.path().toStdString());
    dlg.OnInitDialog();
    dlg.resize(1100, 800);
    dlg.show();
    QTest::qWait(1500); // the camera starts and frames flow
    bench::EnterDozen(dlg);
    std::printf("measurements on screen: %d; resident memory at start %ld kB\n", dlg.MeasureList().Count(),
                ResidentKb());
    std::fflush(stdout);

    long nFirstMinuteKb = 0;
    long nLastKb = 0;
    for (int nMinute = 1; nMinute <= nMinutes; ++nMinute) {
        QTest::qWait(60'000);
        nLastKb = ResidentKb();
        if (nMinute == 1)
            nFirstMinuteKb = nLastKb;
        std::printf("minute %2d: resident %ld kB, frames shown %llu\n", nMinute, nLastKb,
                    static_cast<unsigned long long>(dlg.LiveView().ShownFrameCount()));
        std::fflush(stdout);
    }
    dlg.EndSession();
    const long nGrowthKb = nLastKb - nFirstMinuteKb;
    std::printf("growth after the first minute: %ld kB (allowed %ld kB): %s\n", nGrowthKb, nAllowedGrowthKb,
                nGrowthKb <= nAllowedGrowthKb ? "flat" : "GROWING");
    return nGrowthKb <= nAllowedGrowthKb ? 0 : 1;
}
