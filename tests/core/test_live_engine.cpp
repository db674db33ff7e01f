// The live view engine without a window: start, freeze, resume, the heartbeat, a camera
// that falls silent, and the figures of the title line.
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/live_timing.h"
#include "app/shell/core/live_view.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <thread>

namespace {

// Ticks the heartbeat every 20 ms, as the window's timer would, until done() holds or
// dwTimeoutMs pass; answers whether done() held.
bool TickUntil(CLiveView& live, const std::function<bool()>& done, DWORD dwTimeoutMs = 5000)
{
    const DWORD dwStart = timeGetTime();
    while (!done()) {
        if (timeGetTime() - dwStart > dwTimeoutMs)
            return false;
        live.Tick(timeGetTime());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void Sleep(int nMilliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds)); }

bool TitleShowsRate(const std::string& szTitle, const char* szRate)
{
    return szTitle.ends_with(std::string("Frame per Second ") + szRate);
}

// A simulated camera, its device object and a live view over them, showing 640 x 480 at x1.
class LiveEngine : public ::testing::Test {
protected:
    LiveEngine() : m_Backend(ECameraBackendKind::Simulated), m_Camera(m_Backend.Devices()) {}
    ~LiveEngine() override { m_Live.Close(); }

    void StartLive()
    {
        m_Live.SetView(CViewGeometry{RECT{0, 0, 640, 480}, 1, {}});
        m_Live.ActivateCamera();
        m_Live.StartDisplayThread();
    }
    std::uint64_t Processed() const { return m_Live.Statistics().nFrames; }

    CCameraBackend m_Backend;
    CCameraDevice m_Camera;
    CSharedSettings m_Settings;
    std::atomic<int> m_nViewsReady{0};
    CLiveView m_Live{m_Camera, m_Settings, CLiveView::CHooks{[this](const RECT&) { ++m_nViewsReady; }, {}, {}}};
};

} // namespace

TEST_F(LiveEngine, RunsFreezesAndResumesWithANewDisplayThread)
{
    StartLive();
    EXPECT_EQ(m_Live.CaptureState(), ECaptureState::Running);
    ASSERT_TRUE(TickUntil(m_Live, [this] { return m_Live.ShownFrameCount() >= 3; }));
    EXPECT_GE(m_nViewsReady.load(), 3);
    EXPECT_TRUE(std::regex_match(m_Live.TitleText(),
                                 std::regex("Vexilo Version 1\\.510  Capture Time [ \\d]{2}\\d GetImage Time [ \\d]{2}\\d"
                                            "  ShowImage Time [ \\d]{2}\\d  Frame per Second \\d+\\.\\d")))
        << m_Live.TitleText();

    m_Live.Freeze();
    EXPECT_TRUE(m_Live.IsFrozen());
    EXPECT_FALSE(m_Live.IsDisplayThreadRunning());
    EXPECT_FALSE(m_Camera.IsCapturing());
    EXPECT_EQ(m_Live.CaptureState(), ECaptureState::Idle);
    const std::uint64_t nFrozenAt = Processed();
    TickUntil(m_Live, [] { return false; }, 300);
    EXPECT_EQ(Processed(), nFrozenAt) << "frozen: no frame is taken";
    // Frozen, the view is rendered from the kept frame.
    const CDibImage* pView = m_Live.TakeViewPicture();
    ASSERT_NE(pView, nullptr);
    EXPECT_EQ(pView->Width(), 640);
    EXPECT_EQ(0, std::memcmp(pView->Bits(), m_Live.RawImage().Bits(), m_Live.RawImage().Stride() * 480u));

    const std::uint64_t nShownAt = m_Live.ShownFrameCount();
    m_Live.Resume();
    EXPECT_FALSE(m_Live.IsFrozen());
    EXPECT_TRUE(m_Live.IsDisplayThreadRunning());
    EXPECT_TRUE(TickUntil(m_Live, [&] { return m_Live.ShownFrameCount() > nShownAt; }));
}

TEST_F(LiveEngine, FramesAreProcessedOnlyWhileTheHeartbeatTicks)
{
    StartLive();
    Sleep(400);
    EXPECT_EQ(Processed(), 0u) << "no frame before the first tick";
    ASSERT_TRUE(TickUntil(m_Live, [this] { return Processed() >= 2; }));

    Sleep(700); // more than the 500 ms a tick keeps the display thread going
    const std::uint64_t nStalledAt = Processed();
    Sleep(300);
    EXPECT_EQ(Processed(), nStalledAt) << "the UI thread stopped ticking";
    EXPECT_TRUE(TickUntil(m_Live, [&] { return Processed() > nStalledAt; }));
}

TEST_F(LiveEngine, AnUnpluggedCameraDoesNotLookLive)
{
    StartLive();
    // The first rate comes once a second of frames has passed.
    ASSERT_TRUE(TickUntil(m_Live, [this] { return m_Live.TitleText().find("Second 0.0") == std::string::npos; }));
    const std::string szLive = m_Live.TitleText();
    EXPECT_GT(std::stod(szLive.substr(szLive.rfind(' ') + 1)), 5.0) << szLive;

    m_Backend.SimulatedCameras().front().Unplug();
    const DWORD dwUnplugged = timeGetTime();
    ASSERT_TRUE(TickUntil(m_Live, [this] { return TitleShowsRate(m_Live.TitleText(), "0.0"); }, 4000));
    EXPECT_LT(timeGetTime() - dwUnplugged, 2500u) << "the rate falls to 0.0 within about a second";
    const std::uint64_t nDeadAt = Processed();
    TickUntil(m_Live, [] { return false; }, 400);
    EXPECT_EQ(Processed(), nDeadAt) << "failed transfers are no frames";
    EXPECT_TRUE(TitleShowsRate(m_Live.TitleText(), "0.0"));

    m_Live.Freeze(); // completes although the camera has gone
    EXPECT_FALSE(m_Live.IsDisplayThreadRunning());
}

TEST_F(LiveEngine, AFrameLimitLeavesTheLastFrameInThePictures)
{
    m_Settings.Update([](CViewerSettings& s) { s.m_BayerFlg = 1; });
    m_Live.ActivateCamera();
    m_Live.StartDisplayThread(3);
    ASSERT_TRUE(TickUntil(m_Live, [this] { return m_Live.CaptureState() == ECaptureState::Idle; }));
    TickUntil(m_Live, [] { return false; }, 200);
    EXPECT_EQ(Processed(), 3u);
    const CLiveStatistics figures = m_Live.Statistics();
    EXPECT_GT(figures.dLastTakenMs, figures.dFirstTakenMs);
    EXPECT_EQ(&m_Live.ShownImage(), &m_Live.ColorImage()) << "colour reconstruction shows the colour picture";
    EXPECT_EQ(m_Live.ShownFrameCount(), 0u) << "no view was set, so nothing was rendered";
}

TEST(LiveEngineWithoutCamera, CreatesThePicturesAndFreezesAtOnce)
{
    CDeviceNamespace devices;
    CCameraDevice camera(devices);
    CSharedSettings settings;
    settings.Update([](CViewerSettings& s) {
        s.EH = 320;
        s.EV = 240;
    });
    CLiveView live(camera, settings);
    EXPECT_EQ(live.ActivateCamera(), TRUE);
    EXPECT_EQ(live.RawImage().Width(), 320);
    EXPECT_EQ(live.ColorImage().Height(), 240);
    live.StartDisplayThread();
    TickUntil(live, [] { return false; }, 300);
    EXPECT_EQ(live.TitleText(),
              "Vexilo Version 1.510  Capture Time 0 GetImage Time 0  ShowImage Time 0  Frame per Second 0.0");
    const auto start = std::chrono::steady_clock::now();
    live.Freeze();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(live.IsDisplayThreadRunning());
}

// Sizes from a damaged or hand-edited settings file: a width of a million would ask for
// gigabytes of pictures no camera can fill.
TEST(LiveEngineWithoutCamera, StoredSizesBeyondTheSensorGiveSensorSizedPictures)
{
    for (const auto& [nWidth, nHeight] : {std::pair{1'000'000, 1'000'000}, std::pair{641, 480}, std::pair{640, 0},
                                          std::pair{-5, 100}}) {
        CDeviceNamespace devices;
        CCameraDevice camera(devices);
        CSharedSettings settings;
        settings.Update([&](CViewerSettings& s) {
            s.EH = nWidth;
            s.EV = nHeight;
        });
        CLiveView live(camera, settings);
        EXPECT_EQ(live.ActivateCamera(), TRUE);
        EXPECT_EQ(live.RawImage().Width(), 640) << nWidth << " x " << nHeight;
        EXPECT_EQ(live.ColorImage().Height(), 480) << nWidth << " x " << nHeight;
    }
}

TEST(FrameRate, CountsInWindowsOfJustOverASecondAcrossTheClockWrap)
{
    CFrameRate rate;
    EXPECT_FALSE(rate.HasStarted());
    const DWORD t = 0xFFFFFF00u; // the 32-bit clock wraps during the window
    for (DWORD dt = 0; dt <= 1000; dt += 100)
        rate.CountFrame(t + dt);
    EXPECT_TRUE(rate.HasStarted());
    EXPECT_EQ(rate.Fps(), 0.0) << "a window closes only after more than 1000 ms";
    rate.CountFrame(t + 1250);
    EXPECT_DOUBLE_EQ(rate.Fps(), 12 * 1000.0 / 1250);
    rate.CountFrame(t + 1300);
    rate.CountFrame(t + 2250);
    EXPECT_DOUBLE_EQ(rate.Fps(), 12 * 1000.0 / 1250) << "1000 ms exactly does not close the window";
    rate.Stop(t + 2400);
    EXPECT_EQ(rate.Fps(), 0.0);
    rate.CountFrame(t + 3401);
    EXPECT_DOUBLE_EQ(rate.Fps(), 1000.0 / 1001) << "the window restarted at the stop";
}

TEST(FrameRate, TitleLineKeepsItsFieldWidths)
{
    char szTitle[TITLE_LINE_SIZE];
    FormatTitleLine(szTitle, 7, 12, 1234, 33.94);
    EXPECT_STREQ(szTitle,
                 "Vexilo Version 1.510  Capture Time   7 GetImage Time  12  ShowImage Time 1234  Frame per Second 33.9");
    FormatInitialTitleLine(szTitle);
    EXPECT_STREQ(szTitle, "Vexilo Version 1.510  Capture Time 0 GetImage Time 0  ShowImage Time 0  Frame per Second 0.0");
}
