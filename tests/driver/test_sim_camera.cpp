// The simulated camera as hardware: the microcontroller's reset and download rules, the
// frame clock's rates, and frames whose content follows the window, exposure and gains.
#include "simcam/sim_camera_firmware.h"
#include "simcam/sim_frame_renderer.h"
#include "simcam/sim_microcontroller.h"
#include "simcam/sim_scene.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

USBD_STATUS Vendor(CSimMicrocontroller& mcu, WORD nAddress, std::vector<BYTE> data, BYTE nRequest = 0xA0)
{
    DWORD nMoved = 0;
    return mcu.VendorRequest(nRequest, nAddress, false, data.data(), static_cast<DWORD>(data.size()), &nMoved);
}

TEST(SimCamMicrocontroller, RunsTheLoaderOrTheFirmwareByWhatWasLoadedDuringTheReset)
{
    CSimMicrocontroller mcu;
    EXPECT_EQ(Vendor(mcu, 0x0000, std::vector<BYTE>(16), 0xA3), USBD_STATUS_STALL_PID) << "0xA3 needs a running program";
    Vendor(mcu, 0x7F92, {1});
    EXPECT_FALSE(mcu.IsInReset()) << "the older chip's reset register does nothing here";
    Vendor(mcu, 0xE600, {1});
    EXPECT_TRUE(mcu.IsInReset());
    for (int i = 0; i < 49; ++i)
        Vendor(mcu, static_cast<WORD>(16 * i), std::vector<BYTE>(16, 1)); // 784 bytes
    Vendor(mcu, 0xE600, {0});
    EXPECT_EQ(mcu.GetProgram(), SIM_PROGRAM::Loader);
    EXPECT_FALSE(mcu.TakeFirmwareStarted());

    Vendor(mcu, 0xE600, {1});
    for (int i = 0; i < 256; ++i)
        Vendor(mcu, static_cast<WORD>(16 * i), std::vector<BYTE>(16, 2)); // 4096 bytes
    Vendor(mcu, 0xE600, {1}); // held again: the download still counts
    Vendor(mcu, 0xE600, {0});
    EXPECT_EQ(mcu.GetProgram(), SIM_PROGRAM::CameraFirmware);
    EXPECT_TRUE(mcu.TakeFirmwareStarted());
    EXPECT_EQ(mcu.GetRecordsReceived(), 49u + 256u);

    Vendor(mcu, 0xE600, {1});
    Vendor(mcu, 0xE600, {0});
    EXPECT_EQ(mcu.GetProgram(), SIM_PROGRAM::CameraFirmware) << "a bare reset restarts the same program";
    EXPECT_TRUE(mcu.TakeFirmwareStarted());

    mcu.SetNoFirmware(true);
    Vendor(mcu, 0xE600, {1});
    Vendor(mcu, 0xE600, {0});
    EXPECT_EQ(mcu.GetProgram(), SIM_PROGRAM::None);
    EXPECT_EQ(Vendor(mcu, 0xFFF8, std::vector<BYTE>(16)), USBD_STATUS_STALL_PID) << "beyond the memory";
}

TEST(SimCamFrameClock, RatesOfTheFullWindowAtNormalAndHalfClock)
{
    CSimCameraFirmware firmware;
    SIM_FRAME_SETTINGS settings = firmware.GetFrameSettings();
    EXPECT_NEAR(1.0 / SimFramePeriodSeconds(settings), 34.3, 0.05);
    settings.bHalfClock = true;
    EXPECT_NEAR(1.0 / SimFramePeriodSeconds(settings), 17.15, 0.05);
    settings.bHalfClock = false;
    settings.nExposure = 512; // the program's default shutter
    EXPECT_NEAR(1.0 / SimFramePeriodSeconds(settings), 33.9, 0.05);
    settings.nExposure = 1012;
    EXPECT_NEAR(1.0 / SimFramePeriodSeconds(settings), 17.15, 0.05) << "long exposures slow the frames down";
    settings.nExposure = 100;
    settings.nWindowHeight = 240;
    EXPECT_GT(1.0 / SimFramePeriodSeconds(settings), 60.0) << "fewer rows, more frames";
}

class SimCamFrames : public ::testing::Test {
protected:
    SimCamFrames() : m_Renderer(7)
    {
        CSimRadiance radiance;
        CSimUniformScene(0.4f, 0.4f, 0.4f).Render(radiance);
        radiance.Set(100, 50, 1.0f, 1.0f, 1.0f); // one bright (green-filtered) sensor pixel
        m_Renderer.SetScene(radiance);
    }
    std::vector<BYTE> Render(const SIM_FRAME_SETTINGS& settings)
    {
        std::vector<BYTE> frame(2 * settings.nTransferSize + 16, 0xEE);
        m_nBytes = m_Renderer.Render(settings, frame.data(), static_cast<DWORD>(frame.size()));
        return frame;
    }
    // Mean of the samples at one colour site over the useful part of raw row nRow.
    static double SiteMean(const std::vector<BYTE>& frame, int nRow, int nFirstColumn)
    {
        double sum = 0;
        int n = 0;
        for (int c = CAM_RAW_FIRST_COLUMN + nFirstColumn; c < CAM_RAW_FIRST_COLUMN + 600; c += 2, ++n)
            sum += frame[static_cast<std::size_t>(nRow) * CAM_RAW_ROW_PIXELS + c];
        return sum / n;
    }
    CSimCameraFirmware m_Firmware;
    CSimFrameRenderer m_Renderer;
    DWORD m_nBytes = 0;
};

TEST_F(SimCamFrames, BrightnessFollowsExposureGlobalGainAndColourGains)
{
    SIM_FRAME_SETTINGS settings = m_Firmware.GetFrameSettings();
    settings.nExposure = 256;
    const auto base = Render(settings);
    EXPECT_EQ(m_nBytes, CamTransferSize(480));
    const double fBase = SiteMean(base, 100, 0) - 4.0; // above the black level
    EXPECT_GT(fBase, 20.0);

    settings.nExposure = 512;
    EXPECT_NEAR(SiteMean(Render(settings), 100, 0) - 4.0, 2 * fBase, 0.1 * fBase);
    settings.nExposure = 256;
    settings.nGlobalGain = 64;
    EXPECT_NEAR(SiteMean(Render(settings), 100, 0) - 4.0, 2 * fBase, 0.1 * fBase);

    // Red sites sit on even sensor rows, odd columns; a red gain of 64 doubles them alone.
    settings.nGlobalGain = 32;
    settings.nGainRed = 64;
    const auto red = Render(settings);
    EXPECT_NEAR(SiteMean(red, 1 + 100, 1) - 4.0, 2 * fBase, 0.1 * fBase);
    EXPECT_NEAR(SiteMean(red, 1 + 100, 0) - 4.0, fBase, 0.1 * fBase) << "green 1 unchanged";
    EXPECT_NEAR(SiteMean(red, 1 + 101, 0) - 4.0, fBase, 0.1 * fBase) << "blue unchanged";
}

TEST_F(SimCamFrames, TheWindowPicksSensorRowsAndColumns)
{
    SIM_FRAME_SETTINGS settings = m_Firmware.GetFrameSettings();
    settings.nWindowX = 99;
    settings.nWindowY = 49;
    settings.nWindowHeight = 10;
    settings.nTransferSize = CamTransferSize(10);
    const auto frame = Render(settings);
    // Sensor pixel (100, 50) is raw row 1 + 1, raw column 12 + 1.
    const BYTE nBright = frame[2 * CAM_RAW_ROW_PIXELS + CAM_RAW_FIRST_COLUMN + 1];
    EXPECT_GT(nBright, 1.8 * frame[2 * CAM_RAW_ROW_PIXELS + CAM_RAW_FIRST_COLUMN + 3]);
    EXPECT_EQ(m_nBytes, CamTransferSize(10));
    EXPECT_EQ(frame[11 * CAM_RAW_ROW_PIXELS], 0) << "zero after the last row";
    EXPECT_EQ(frame[m_nBytes], 0xEE) << "nothing written past the frame";

    settings.bTenBit = true;
    const auto ten = Render(settings);
    EXPECT_EQ(m_nBytes, 2 * CamTransferSize(10));
    const std::size_t nAt = 2 * (2 * CAM_RAW_ROW_PIXELS + CAM_RAW_FIRST_COLUMN + 1);
    EXPECT_NEAR(ten[nAt], nBright, 16) << "the first byte holds the eight high bits (another frame's noise)";
    EXPECT_LE(ten[nAt + 1], 3);
}

TEST_F(SimCamFrames, AShortBufferIsFilledAndNeverOverrun)
{
    SIM_FRAME_SETTINGS settings = m_Firmware.GetFrameSettings();
    std::vector<BYTE> buffer(1000 + 1, 0xEE);
    EXPECT_EQ(m_Renderer.Render(settings, buffer.data(), 1000), 1000u);
    EXPECT_EQ(buffer[1000], 0xEE);
}

} // namespace

namespace {

TEST(SimCamScenes, TheMicrometerHasAMarkEveryTenMicrometres)
{
    const auto pScene = SimRenderScene(CSimMicrometerScene());
    auto green = [&](int x, int y) { return pScene->Green[static_cast<std::size_t>(y) * CSimRadiance::WIDTH + x]; };
    const float fClear = green(25, 145);
    EXPECT_GT(fClear, 0.5f);
    for (int k = 0; k <= 60; ++k) {
        const int x = 20 + 10 * k; // one pixel is one micrometre
        EXPECT_LT(green(x, 145), 0.2f * fClear) << "mark " << k;
        EXPECT_GT(green(x + 5, 145), 0.8f * fClear) << "between marks " << k << " and " << k + 1;
    }
    EXPECT_LT(green(20, 120), 0.2f * fClear) << "every tenth mark is long";
    EXPECT_GT(green(30, 120), 0.8f * fClear);
}

TEST(SimCamScenes, APictureIsScaledToTheSensorInLinearLight)
{
    const unsigned char bgr[2 * 3 * 2] = {0, 0, 255, 255, 255, 255,  // red, white
                                          0, 0, 0, 255, 0, 0};       // black, blue
    CSimRadiance radiance;
    CSimPictureScene(2, 2, bgr, 6).Render(radiance);
    auto at = [&](const std::vector<float>& plane, int x, int y) { return plane[y * CSimRadiance::WIDTH + x]; };
    EXPECT_FLOAT_EQ(at(radiance.Red, 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(at(radiance.Green, 319, 239), 0.0f);
    EXPECT_FLOAT_EQ(at(radiance.Green, 320, 0), 1.0f);
    EXPECT_FLOAT_EQ(at(radiance.Red, 0, 479), 0.0f);
    EXPECT_FLOAT_EQ(at(radiance.Blue, 639, 479), 1.0f);
}

} // namespace
