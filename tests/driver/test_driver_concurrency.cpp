// Several threads on the request path at once (run under ThreadSanitizer as well): frames on
// one handle while register commands go on others, and removal while requests are in flight.
#include "driver_test_support.h"

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kFullFrame = 327680;

class DriverConcurrency : public DriverTest {};

TEST_F(DriverConcurrency, FramesFlowWhileOtherHandlesWriteAndReadRegisters)
{
    CCameraPlug plug = Plug();
    const std::string path = CameraPath(0);
    std::atomic<int> nBadFrames{0};
    std::atomic<int> nBadCommands{0};
    std::atomic<bool> bFramesDone{false};

    std::thread frames([&] {
        CDeviceHandle device(m_Devices, path.c_str()); // one handle for the whole capture
        std::vector<BYTE> frame(kFullFrame);
        for (int i = 0; i < 20; ++i) {
            DWORD nReturned = 0;
            SendCommand(device, CamBuildCommand(CAM_CMD_FRAME));
            if (PipeTransfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, frame.data(), kFullFrame, &nReturned) !=
                    STATUS_SUCCESS ||
                nReturned != kFullFrame)
                ++nBadFrames;
        }
        bFramesDone = true;
    });
    // A fresh handle for every command, as the camera library opens one per operation.
    std::thread writer([&] {
        for (WORD nLines = 2; !bFramesDone; nLines = static_cast<WORD>(nLines % 500 + 1)) {
            CDeviceHandle device(m_Devices, path.c_str());
            if (SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, nLines)) != STATUS_SUCCESS)
                ++nBadCommands;
        }
    });
    std::thread reader([&] {
        while (!bFramesDone) {
            CDeviceHandle device(m_Devices, path.c_str());
            CAM_MESSAGE reply{};
            if (SendCommand(device, CamBuildReadRegister(CAM_REG_GLOBAL_GAIN)) != STATUS_SUCCESS ||
                ReadReply(device, &reply) != STATUS_SUCCESS || ReadReply(device, &reply) != STATUS_SUCCESS ||
                CamReplyRegisterValue(reply.data()) != 32)
                ++nBadCommands;
        }
    });
    frames.join();
    writer.join();
    reader.join();
    EXPECT_EQ(nBadFrames, 0);
    EXPECT_EQ(nBadCommands, 0);
    EXPECT_EQ(plug.Camera().GetStats().nFramesDelivered, 20u);
    EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);
}

TEST_F(DriverConcurrency, RemovalWhileRequestsAreInFlight)
{
    CCameraPlug plug = Plug(true, true); // paced: frame reads stay inside the driver a while
    const std::string path = CameraPath(0);
    CDeviceHandle first(m_Devices, path.c_str());
    ASSERT_EQ(SetTimeout(first, 1, 2000), STATUS_SUCCESS);
    std::atomic<bool> bStop{false};
    std::atomic<int> nUnexpected{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            CDeviceHandle device(m_Devices, path.c_str());
            std::vector<BYTE> frame(kFullFrame);
            while (!bStop) {
                NTSTATUS nStatus = t % 2 == 0 ? PipeTransfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE,
                                                             frame.data(), kFullFrame)
                                              : SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 300));
                // A read in flight when the pipes are aborted ends cancelled; later ones are refused.
                if (nStatus != STATUS_SUCCESS && nStatus != STATUS_CANCELLED && nStatus != STATUS_DELETE_PENDING &&
                    nStatus != STATUS_INVALID_HANDLE)
                    ++nUnexpected;
                if (nStatus == STATUS_DELETE_PENDING)
                    break;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(plug.Remove(), STATUS_SUCCESS);
    EXPECT_EQ(SendCommand(first, CamBuildCommand(CAM_CMD_INIT)), STATUS_DELETE_PENDING);
    bStop = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(nUnexpected, 0);
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 0u);
}

TEST_F(DriverConcurrency, SurpriseRemovalDuringCaptureEndsTheTransfersAtOnce)
{
    CCameraPlug plug = Plug(true, true);
    std::atomic<int> nFrames{0};
    std::atomic<NTSTATUS> nLast{STATUS_SUCCESS};
    std::atomic<bool> bEnded{false};
    std::thread capture([&] {
        CDeviceHandle device(m_Devices, CameraPath(0).c_str());
        SetTimeout(device, 1, 60000); // the unplug, not the timeout, must end the read
        std::vector<BYTE> frame(kFullFrame);
        NTSTATUS nStatus = STATUS_SUCCESS;
        while ((nStatus = PipeTransfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, frame.data(), kFullFrame)) ==
               STATUS_SUCCESS)
            ++nFrames;
        nLast = nStatus;
        SetTimeout(device, 1, 3000);
        bEnded = true;
    });
    while (nFrames < 2 && !bEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(bEnded) << "capture failed before the unplug: " << std::hex << nLast;
    plug.Unplug();
    capture.join();
    const std::set<NTSTATUS> ends = {STATUS_DEVICE_NOT_CONNECTED, STATUS_CANCELLED, STATUS_DELETE_PENDING};
    EXPECT_TRUE(ends.count(nLast)) << std::hex << nLast;
}

TEST_F(DriverConcurrency, TwoCamerasDeliverAtTheSameTime)
{
    CCameraPlug first = Plug();
    CCameraPlug second = Plug();
    std::atomic<int> nBad{0};
    auto capture = [&](int n) {
        CDeviceHandle device(m_Devices, CameraPath(n).c_str());
        std::vector<BYTE> frame(kFullFrame);
        for (int i = 0; i < 10; ++i) {
            DWORD nReturned = 0;
            if (PipeTransfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, frame.data(), kFullFrame, &nReturned) !=
                    STATUS_SUCCESS ||
                nReturned != kFullFrame)
                ++nBad;
        }
    };
    std::thread a(capture, 0);
    std::thread b(capture, 1);
    a.join();
    b.join();
    EXPECT_EQ(nBad, 0);
    EXPECT_EQ(first.Camera().GetStats().nFramesDelivered, 10u);
    EXPECT_EQ(second.Camera().GetStats().nFramesDelivered, 10u);
}

} // namespace
