// The camera library (CCameraDevice) over the simulated bus and through the libusb back end:
// frames through the whole stack, and cameras that come and go while the picture is live
// (also under ThreadSanitizer).
#include "driver_test_support.h"

#include "app/camera/camera_device.h"

#include <numeric>
#include <vector>

namespace {

class CameraOverBuses : public DriverTestOnBuses<> {
protected:
    // Takes frames until nFrames have been good; answers how many were (bounded waits).
    static int TakeFrames(CCameraDevice& camera, int nFrames, std::vector<BYTE>& frame)
    {
        int nGood = 0;
        for (int nWaits = 0; nGood < nFrames && nWaits < 4 * nFrames; ++nWaits)
            if (camera.WaitFrameReady(3000) &&
                camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size()) == CAM_OK)
                ++nGood;
        return nGood;
    }
};

TEST_P(CameraOverBuses, AHundredFramesThroughTheCameraLibrary)
{
    CCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    ASSERT_TRUE(camera.IsDevicePresent(0));
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK);
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    std::vector<BYTE> frame(640 * 480);
    EXPECT_EQ(TakeFrames(camera, 100, frame), 100);
    EXPECT_EQ(camera.StopCapture(), CAM_OK) << "no frame transfer failed";
    EXPECT_GE(plug.Camera().GetStats().nFramesDelivered, 100u);
    EXPECT_GT(std::accumulate(frame.begin(), frame.end(), 0.0) / frame.size(), 40.0) << "the grey scene, not a dark frame";
}

TEST_P(CameraOverBuses, CamerasComeAndGoWhileThePictureIsLive)
{
    CCameraPlug first = Plug();
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    std::vector<BYTE> frame(640 * 480);
    ASSERT_EQ(TakeFrames(camera, 3, frame), 3);

    // A second camera arrives while the first is live: the next index, and it answers.
    CCameraPlug second = Plug();
    ASSERT_TRUE(second.IsPlugged());
    {
        CDeviceHandle device(m_Devices, CameraPath(1).c_str());
        ASSERT_TRUE(device.IsValid());
        EXPECT_EQ(SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 300)), STATUS_SUCCESS);
        EXPECT_EQ(second.Camera().PeekRegister(CAM_REG_EXPOSURE), 300);
    }
    EXPECT_EQ(TakeFrames(camera, 3, frame), 3) << "the first goes on";

    // The first is pulled out during the capture: its frames fail, nothing waits for ever.
    EXPECT_EQ(first.Unplug(), STATUS_SUCCESS);
    EXPECT_TRUE(Eventually([&] {
        camera.WaitFrameReady(100);
        return camera.CaptureError() == CAM_ERR_FRAME;
    }));
    EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 2u)
        << "only the second camera's descriptor and pipe table";

    // Plugged in again, it takes the free index 0 and the picture is live again.
    CCameraPlug again = Plug();
    CCameraDevice fresh(m_Devices);
    ASSERT_TRUE(fresh.IsDevicePresent(0));
    ASSERT_EQ(fresh.StartCapture(), CAM_OK);
    EXPECT_EQ(TakeFrames(fresh, 3, frame), 3);
    EXPECT_EQ(fresh.StopCapture(), CAM_OK);
}

INSTANTIATE_TEST_SUITE_P(Buses, CameraOverBuses, kBothBuses, CameraBusName);

} // namespace
