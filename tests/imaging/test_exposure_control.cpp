// CExposureControl: the exposure loop's factor, frame-interval guard and limits on a
// recording camera, the dialog hook, and the white-balance gains.
#include "app/imaging/exposure_control.h"
#include "tests/imaging/pixel_reference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct CFakeCamera : CExposureCamera {
    int nGain = 32;
    WORD wExposure = 512;
    BOOL bExposureReadable = TRUE;
    std::vector<int> gainWrites, exposureWrites;

    int GetGlobalGain() override { return nGain; }
    BOOL SetGlobalGain(int n) override
    {
        gainWrites.push_back(n);
        return TRUE;
    }
    BOOL GetExposure(WORD* pLines) override
    {
        if (!bExposureReadable)
            return FALSE;
        *pLines = wExposure;
        return TRUE;
    }
    BOOL SetExposure(int n) override
    {
        exposureWrites.push_back(n);
        return TRUE;
    }
};

// A 100 x 100 raw frame of mid grey whose five zones have the given means, in the
// order the exposure step visits them.
CDibImage FrameWithZones(std::initializer_list<int> means)
{
    CDibImage raw;
    raw.Create(100, 100, 8);
    raw.Fill(nullptr, RGB(130, 130, 130));
    const RECT zones[5] = {{10, 10, 20, 20}, {10, 80, 20, 90}, {45, 45, 55, 55}, {80, 10, 90, 20}, {80, 80, 90, 90}};
    int i = 0;
    for (int nMean : means) {
        const BYTE v = static_cast<BYTE>(nMean);
        raw.Fill(&zones[i++], RGB(v, v, v));
    }
    return raw;
}

// One evaluation dwInterval milliseconds after one of a neutral frame at dwStart, which
// changes nothing when it comes 100 ms after the evaluation before (or is the first).
CExposureDecision StepAfter(CExposureControl& control, CDibImage& raw, int nMode, CFakeCamera& camera,
                           DWORD dwInterval, DWORD dwStart = 1000)
{
    CDibImage neutral = FrameWithZones({120, 120, 120, 120, 120});
    CFakeCamera idle;
    control.ExposureStep(neutral, nMode, idle, dwStart);
    return control.ExposureStep(raw, nMode, camera, dwStart + dwInterval);
}

} // namespace

TEST(ExposureStep, BrightZonesHalveTheGain)
{
    CExposureControl control;
    std::vector<std::pair<int, int>> shown;
    control.SetImageSetDlgHook([&](int nId, int nValue) { shown.emplace_back(nId, nValue); });
    CDibImage raw = FrameWithZones({180, 180, 180, 180, 180});
    CFakeCamera camera;
    camera.nGain = 33;
    const CExposureDecision decision = StepAfter(control, raw, 0, camera, 100);
    EXPECT_NEAR(0.5, decision.dFactor, 1e-9);
    EXPECT_EQ(std::vector<int>{16}, camera.gainWrites);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1187, 16}}), shown);

    control.ClearImageSetDlgHook();
    StepAfter(control, raw, 0, camera, 100, 1200);
    EXPECT_EQ(1u, shown.size());
}

TEST(ExposureStep, SmallCorrectionsChangeNothing)
{
    CExposureControl control;
    CDibImage raw = FrameWithZones({210, 120, 120, 120, 120});
    CFakeCamera camera;
    const CExposureDecision decision = StepAfter(control, raw, 0, camera, 100);
    EXPECT_NEAR(0.85, decision.dFactor, 1e-9);
    EXPECT_FALSE(decision.bChange);
    EXPECT_TRUE(camera.gainWrites.empty());
}

TEST(ExposureStep, FrameIntervalGuard)
{
    {
        // Slow frames: c forced to 0.95 even with every zone in the band.
        CExposureControl control;
        CDibImage raw = FrameWithZones({120, 120, 120, 120, 120});
        CFakeCamera camera;
        camera.nGain = 32;
        EXPECT_DOUBLE_EQ(0.95, StepAfter(control, raw, 0, camera, 250).dFactor);
        EXPECT_EQ(std::vector<int>{30}, camera.gainWrites);
    }
    {
        // 180 ms and c = 1.3: limited to 1.05, then cancelled by the 160..210 ms rule.
        CExposureControl control;
        CDibImage raw = FrameWithZones({40, 40, 40, 120, 120});
        CFakeCamera camera;
        const CExposureDecision decision = StepAfter(control, raw, 0, camera, 180);
        EXPECT_DOUBLE_EQ(1.05, decision.dFactor);
        EXPECT_FALSE(decision.bChange);
        EXPECT_TRUE(camera.gainWrites.empty());
    }
    {
        // The clock wraps: the unsigned difference is still 272 ms.
        CExposureControl control;
        CDibImage raw = FrameWithZones({120, 120, 120, 120, 120});
        CFakeCamera camera;
        EXPECT_DOUBLE_EQ(0.95, StepAfter(control, raw, 0, camera, 0x110, 0xFFFFFF00u).dFactor);
    }
    {
        // The first evaluation of all measures an interval of 0.
        CExposureControl control;
        CDibImage raw = FrameWithZones({120, 120, 120, 120, 120});
        CFakeCamera camera;
        EXPECT_FALSE(control.ExposureStep(raw, 0, camera, 123456).bChange);
    }
}

TEST(ExposureStep, GainLimits)
{
    CExposureControl control;
    CDibImage dark = FrameWithZones({90, 90, 90, 90, 90}); // c = 1.25
    CFakeCamera camera;
    camera.nGain = 0;
    StepAfter(control, dark, 0, camera, 100);
    camera.nGain = 60; // 75 is cut to 63
    StepAfter(control, dark, 0, camera, 100, 1200);
    CDibImage bright = FrameWithZones({220, 220, 220, 220, 220}); // c = 0.25
    camera.nGain = 0x1FF; // only the low 8 bits count: 255 * 0.25 = 63.75
    StepAfter(control, bright, 0, camera, 100, 1400);
    camera.nGain = 8; // c is just below 0.25, so 1: no lower limit when decreasing
    StepAfter(control, bright, 0, camera, 100, 1600);
    EXPECT_EQ((std::vector<int>{4, 63, 63, 1}), camera.gainWrites);
}

TEST(ExposureStep, ExposureModeAndMeasureOnlyMode)
{
    CExposureControl control;
    std::vector<std::pair<int, int>> shown;
    control.SetImageSetDlgHook([&](int nId, int nValue) { shown.emplace_back(nId, nValue); });
    CDibImage bright = FrameWithZones({180, 180, 180, 180, 180}); // c = 0.5
    CFakeCamera camera;
    camera.wExposure = 1;
    StepAfter(control, bright, 1, camera, 100);
    camera.wExposure = 501;
    StepAfter(control, bright, 1, camera, 100, 1200);
    camera.bExposureReadable = FALSE; // read as 0, written as 1
    StepAfter(control, bright, 1, camera, 100, 1400);
    EXPECT_EQ((std::vector<int>{1, 250, 1}), camera.exposureWrites);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1198, 1}, {1198, 250}, {1198, 1}}), shown);

    StepAfter(control, bright, 2, camera, 100, 1600);
    EXPECT_EQ(3u, camera.exposureWrites.size());
    EXPECT_TRUE(camera.gainWrites.empty());
}

TEST(WhiteBalanceStep, GainsAreGreenOverChannelAndClamped)
{
    // Mode 0: memory row 0 is green/blue, row 1 red/green.
    auto mosaic = [](BYTE nGreen, BYTE nRed, BYTE nBlue) {
        CDibImage raw;
        raw.Create(8, 6, 8);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                *MemPixel(raw, x, y) = (x + y) % 2 == 0 ? nGreen : (y % 2 == 0 ? nBlue : nRed);
        return raw;
    };
    CDibImage reddish = mosaic(150, 50, 150);
    CColorGains gains = CExposureControl::WhiteBalanceStep(reddish, 0);
    EXPECT_DOUBLE_EQ(2.0, gains.m_BayerR); // 3.0 clamped
    EXPECT_DOUBLE_EQ(1.0, gains.m_BayerG);
    EXPECT_TRUE(gains.m_BayerB == 1.0 || gains.m_BayerB == 0.99) << gains.m_BayerB;

    CDibImage even = mosaic(100, 100, 100);
    gains = CExposureControl::WhiteBalanceStep(even, 0);
    EXPECT_LE(gains.m_BayerR, 1.0);
    EXPECT_GE(gains.m_BayerR, 0.99);

    // Mode 3 keeps the greens and exchanges the red and blue phases.
    gains = CExposureControl::WhiteBalanceStep(reddish, 3);
    EXPECT_DOUBLE_EQ(2.0, gains.m_BayerB);
    EXPECT_LE(gains.m_BayerR, 1.0);

    // A black red phase gives a non-finite ratio, which ends up at a limit.
    CDibImage noRed = mosaic(100, 0, 100);
    gains = CExposureControl::WhiteBalanceStep(noRed, 0);
    EXPECT_TRUE(gains.m_BayerR == 0.0 || gains.m_BayerR == 2.0) << gains.m_BayerR;
}

TEST(ExposureStep, DialogHookMayComeAndGoWhileFramesAreProcessed)
{
    CExposureControl control;
    CDibImage bright = FrameWithZones({180, 180, 180, 180, 180});
    std::atomic<int> nShown{0};
    std::atomic<bool> bDone{false};
    std::thread display([&] {
        CFakeCamera camera;
        for (DWORD dwNow = 0; dwNow < 100 * 400; dwNow += 100)
            control.ExposureStep(bright, 0, camera, dwNow);
        bDone = true;
    });
    while (!bDone) {
        control.SetImageSetDlgHook([&](int, int) { ++nShown; });
        control.ClearImageSetDlgHook();
    }
    display.join();
    // Registered again, the hook sees the next change exactly once.
    const int nBefore = nShown;
    control.SetImageSetDlgHook([&](int, int) { ++nShown; });
    CFakeCamera camera;
    control.ExposureStep(bright, 0, camera, 100 * 400);
    EXPECT_EQ(nBefore + 1, nShown.load());
}
