// The camera library while the simulated camera fails, each fault many times over: pulled
// out, stalled or sending short frames during capture, faulty at start-up, removed with a
// transfer in flight, and plugged in again. Frames are small and unpaced so that a cycle
// takes milliseconds; the driver's transfer time limit is shortened where a stall must
// end by it.
#include "app/camera/camera_device.h"

#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "platform/devio_ioctl.h"
#include "simcam/sim_camera_bus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <thread>
#include <vector>

namespace {

constexpr int kCycles = 100;
constexpr int kWidth = 64;
constexpr int kHeight = 16;
constexpr BYTE kUntouched = 0xA5;

// Transfer time limits (ms): a stall fails its transfer after kStallTimeoutMs; with
// kRemovalTimeoutMs only the removal can end a pending transfer.
constexpr LONG kDefaultTimeoutMs = 3000;
constexpr LONG kStallTimeoutMs = 20;
constexpr LONG kRemovalTimeoutMs = 60000;

// Waits until done() holds; false after a while that only a hang exceeds.
bool WaitUntil(const std::function<bool()>& done)
{
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > tEnd)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class CameraFaults : public ::testing::Test {
protected:
    // Unpaced frames of a flat mid-grey scene: as fast as they are asked for, quick to render.
    CSimCameraPlug Plug()
    {
        SIM_CAMERA_OPTIONS options;
        options.bPaced = false;
        options.pScene = m_pScene;
        return m_Bus.PlugSimulatedCamera(options);
    }

    // Holds for every camera of the driver, from the next transfer on.
    void SetTransferTimeout(LONG nMilliseconds)
    {
        const CDeviceHandle device(m_Devices, "\\\\.\\Lorvidex07-0");
        const DWORD input[2] = {1, static_cast<DWORD>(nMilliseconds)}; // selector 1: the transfer time limit
        ASSERT_EQ(device.IoControl(IOCTL_CAM_SET_TIMEOUT, input, sizeof input, nullptr, 0), STATUS_SUCCESS);
    }

    // Takes frames until one answers nWanted; -1 when none does for a while that only a
    // hang exceeds. On the way every frame is checked: a failed one leaves the
    // destination untouched, a good one is whole. (Slots start zeroed and a short
    // transfer leaves the rest of its slot as it was, so a copied partial frame of a
    // fresh ring ends in a black row; the scene is mid-grey.)
    int NextFrameAnswering(CCameraDevice& camera, int nWanted)
    {
        std::vector<BYTE> frame(kWidth * kHeight);
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < tEnd) {
            if (!camera.WaitFrameReady(100))
                continue;
            std::fill(frame.begin(), frame.end(), kUntouched);
            const int nResult = camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size());
            if (nResult == CAM_ERR_FRAME) {
                EXPECT_EQ(std::count(frame.begin(), frame.end(), kUntouched), static_cast<long>(frame.size()))
                    << "a failed frame copies nothing";
            }
            if (nResult == CAM_OK) {
                EXPECT_GT(std::accumulate(frame.end() - kWidth, frame.end(), 0), 0) << "a good frame is whole";
            }
            if (nResult == nWanted)
                return nResult;
        }
        return -1;
    }

    // A capture with no fault from start to stop delivers whole frames and stops with CAM_OK.
    void CaptureRunsClean(CCameraDevice& camera)
    {
        ASSERT_EQ(camera.StartCapture(), CAM_OK);
        ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
        ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
        EXPECT_EQ(camera.StopCapture(), CAM_OK);
    }

    // Nothing of a removed camera is left: no open handle, no memory of the driver's.
    void NothingIsLeft()
    {
        EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);
        EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 0u);
    }

    // Destroyed in reverse: plugs and cameras made in a test body go first.
    std::shared_ptr<const CSimRadiance> m_pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp{m_Devices, &DriverEntry};
    CSimCameraBus m_Bus{m_Pnp};
};

TEST_F(CameraFaults, UnplugDuringCaptureFailsTheFramesAndTheStop)
{
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        CSimCameraPlug plug = Plug();
        ASSERT_TRUE(plug.IsPlugged());
        {
            CCameraDevice camera(m_Devices);
            ASSERT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
            ASSERT_EQ(camera.StartCapture(), CAM_OK);
            ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
            ASSERT_EQ(plug.Unplug(), STATUS_SUCCESS);
            ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME), CAM_ERR_FRAME);
            EXPECT_TRUE(camera.IsCapturing()) << "the thread tries on until it is stopped";
            EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
            EXPECT_EQ(camera.StopCapture(), CAM_OK) << "reported once";
        }
        NothingIsLeft();
    }
}

TEST_F(CameraFaults, AStallFailsItsTransfersAndFramesComeBackOnRelease)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        // Set while stopped, so every transfer of this capture has the short limit.
        SetTransferTimeout(kStallTimeoutMs);
        ASSERT_EQ(camera.StartCapture(), CAM_OK);
        ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
        plug.Camera().SetStall(true);
        ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME), CAM_ERR_FRAME);
        // Released during capture every other cycle, else after a stop in the stall.
        if (i % 2 == 0) {
            plug.Camera().SetStall(false);
            ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
        }
        EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
        plug.Camera().SetStall(false);

        SetTransferTimeout(kDefaultTimeoutMs);
        CaptureRunsClean(camera);
    }
}

TEST_F(CameraFaults, ShortFramesAreNeverTakenAndTheNextCaptureRunsClean)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        // A fresh, zeroed ring every cycle.
        ASSERT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
        const DWORD nFrameBytes = static_cast<DWORD>(camera.Geometry().m_nTransferSize);
        const DWORD nShort[] = {1, 1000, nFrameBytes / 2, nFrameBytes - 1};
        ASSERT_EQ(camera.StartCapture(), CAM_OK);
        // From the first frame on every other cycle, else after a good one.
        if (i % 2 == 1) {
            ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK);
        }
        plug.Camera().SetShortFrame(nShort[i % 4]);
        ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME), CAM_ERR_FRAME);
        if (i % 4 < 2) {
            plug.Camera().SetShortFrame(0);
            ASSERT_EQ(NextFrameAnswering(camera, CAM_OK), CAM_OK) << "whole frames again in the same capture";
        }
        EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
        plug.Camera().SetShortFrame(0);
        CaptureRunsClean(camera);
    }
}

TEST_F(CameraFaults, StartingUpOnAGoneOrStalledCameraGivesCleanResults)
{
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        CSimCameraPlug plug = Plug();
        ASSERT_TRUE(plug.IsPlugged());
        SetTransferTimeout(kStallTimeoutMs);
        CCameraDevice camera(m_Devices);
        ASSERT_TRUE(camera.IsDevicePresent(0));
        const int nFault = i % 3;
        if (nFault == 0)
            ASSERT_EQ(plug.Unplug(), STATUS_SUCCESS); // gone, and its device path with it
        else if (nFault == 1)
            plug.Camera().Unplug(); // gone, but the driver has not heard of it yet
        else
            plug.Camera().SetStall(true); // answers commands, sends no frames

        EXPECT_EQ(camera.Initialize(0), CAM_OK) << "the camera's answers are not waited for";
        EXPECT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
        EXPECT_EQ(camera.SetHalfClock(FALSE), nFault == 0 ? FALSE : TRUE) << "TRUE when the device opened";
        BOOL bHalf = TRUE;
        EXPECT_EQ(camera.GetHalfClock(&bHalf), nFault == 2 ? TRUE : FALSE);
        ASSERT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
        ASSERT_EQ(camera.StartCapture(), CAM_OK);
        if (nFault == 0) {
            // The transfer thread cannot open the device and ends at once.
            EXPECT_FALSE(camera.WaitFrameReady(5000));
            EXPECT_TRUE(WaitUntil([&camera] { return !camera.IsCapturing(); }));
            EXPECT_EQ(camera.StopCapture(), CAM_OK);
            EXPECT_EQ(camera.CaptureError(), CAM_ERR_NO_HANDLE);
            EXPECT_FALSE(CCameraDevice(m_Devices).IsDevicePresent(0));
        } else {
            ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME), CAM_ERR_FRAME);
            EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
        }
    }
    NothingIsLeft();
}

TEST_F(CameraFaults, RemovalWithATransferInFlightEndsItsWaitAndFreesEverything)
{
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        CSimCameraPlug plug = Plug();
        ASSERT_TRUE(plug.IsPlugged());
        // The removal, not the time limit, must end the transfer in flight.
        SetTransferTimeout(kRemovalTimeoutMs);
        {
            CCameraDevice camera(m_Devices);
            ASSERT_EQ(camera.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
            const int nFault = i % 3;
            if (nFault < 2) {
                // A frame transfer waits in the camera.
                plug.Camera().SetStall(true);
                plug.Camera().TakeEvents();
                ASSERT_EQ(camera.StartCapture(), CAM_OK);
                ASSERT_TRUE(WaitUntil([&plug] {
                    const std::vector<SIM_EVENT> events = plug.Camera().TakeEvents();
                    return std::any_of(events.begin(), events.end(), [](const SIM_EVENT& event) {
                        return event.Kind == SIM_EVENT_KIND::ImageTransferQueued;
                    });
                }));
                // Pulled out, or removed in order (the removal waits for the requests inside).
                ASSERT_EQ(nFault == 0 ? plug.Unplug() : plug.Remove(), STATUS_SUCCESS);
            } else {
                // The frame command waits in the camera.
                plug.Camera().HoldCommands(true);
                ASSERT_EQ(camera.StartCapture(), CAM_OK);
                ASSERT_TRUE(plug.Camera().WaitForHeldCommand(10000));
                ASSERT_EQ(plug.Unplug(), STATUS_SUCCESS);
            }
            // The transfer came back failed: its slot is offered and refused.
            ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME), CAM_ERR_FRAME);
            EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
        }
        NothingIsLeft();
    }
}

TEST_F(CameraFaults, AReplugIsFoundAgainAndDeliversGoodFrames)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice kept(m_Devices);
    for (int i = 0; i < kCycles; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(kept.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
        ASSERT_EQ(kept.StartCapture(), CAM_OK);
        ASSERT_EQ(NextFrameAnswering(kept, CAM_OK), CAM_OK);
        ASSERT_EQ(plug.Unplug(), STATUS_SUCCESS);
        ASSERT_EQ(NextFrameAnswering(kept, CAM_ERR_FRAME), CAM_ERR_FRAME);
        EXPECT_EQ(kept.StopCapture(), CAM_ERR_FRAME);

        plug = Plug();
        ASSERT_TRUE(plug.IsPlugged());
        if (i % 2 == 0) {
            // A new object finds the camera at the same index.
            CCameraDevice found(m_Devices);
            ASSERT_TRUE(found.IsDevicePresent(0));
            ASSERT_EQ(found.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
            CaptureRunsClean(found);
        }
        // The object that lost the camera takes it up again.
        ASSERT_EQ(kept.Initialize(0), CAM_OK);
        ASSERT_EQ(kept.SetCaptureWindow(0, 0, kWidth, kHeight, 0), CAM_OK);
        CaptureRunsClean(kept);
    }
}

} // namespace
