// The pipe transfer: its checks, the direction taken from the endpoint, commands and
// replies, frames with the frame and frame-queued messages, the transfer timeout, faults, a
// camera pulled out during a frame; over the simulated bus and through the libusb back end.
#include "driver_test_support.h"

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kFullFrame = 327680;

class PipeTransfer_ : public DriverTestOnBuses<> {
protected:
    void Open(bool bPaced = false)
    {
        m_Plug = Plug(true, bPaced);
        m_Device = CDeviceHandle(m_Devices, CameraPath(0).c_str());
        ASSERT_TRUE(m_Device.IsValid());
        m_Plug.Camera().TakeEvents();
    }
    void TearDown() override
    {
        m_Device.Close();
        m_Plug.Remove();
        DriverTest::TearDown();
    }
    NTSTATUS ReadFrame(std::vector<BYTE>& frame, DWORD* pnReturned)
    {
        return PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, frame.data(),
                            static_cast<DWORD>(frame.size()), pnReturned);
    }
    WORD ReadRegister(BYTE nRegister)
    {
        CAM_MESSAGE reply{};
        EXPECT_EQ(SendCommand(m_Device, CamBuildReadRegister(nRegister)), STATUS_SUCCESS);
        EXPECT_EQ(ReadReply(m_Device, &reply), STATUS_SUCCESS);
        EXPECT_EQ(ReadReply(m_Device, &reply), STATUS_SUCCESS);
        return CamReplyRegisterValue(reply.data());
    }

    CCameraPlug m_Plug;
    CDeviceHandle m_Device;
};

TEST_P(PipeTransfer_, ChecksPipeIndexLengthAndInput)
{
    Open();
    std::vector<BYTE> buffer(65, 0);
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, 3, buffer.data(), 64), STATUS_INVALID_PARAMETER);
    buffer[0] = CAM_CMD_INIT;
    DWORD nReturned = 0;
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, buffer.data(), 65, &nReturned),
              STATUS_SUCCESS)
        << "65 bytes are within the command pipe's 1024";
    EXPECT_EQ(nReturned, 65u);
    std::vector<BYTE> tooLong(1025);
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, tooLong.data(), 1025),
              STATUS_INVALID_PARAMETER);

    std::vector<BYTE> huge(0x400000);
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, huge.data(), 0x400000),
              STATUS_INVALID_PARAMETER);
    const DWORD nShortInput = 2;
    EXPECT_EQ(m_Device.IoControl(IOCTL_CAM_PIPE_WRITE, &nShortInput, 2, buffer.data(), 64), STATUS_INVALID_PARAMETER);

    const SIM_CAMERA_STATS stats = m_Plug.Camera().GetStats();
    EXPECT_EQ(stats.nCommands, 1u) << "refused requests reach nothing";
    EXPECT_EQ(stats.CommandsByCode[CAM_CMD_FRAME], 0u);
}

TEST_P(PipeTransfer_, TheEndpointNotTheCodeGivesTheDirection)
{
    Open();
    CAM_MESSAGE write = CamBuildWriteRegister(CAM_REG_EXPOSURE, 502);
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_READ, CAM_PIPE_COMMAND, write.data(), 64), STATUS_SUCCESS);
    EXPECT_EQ(m_Plug.Camera().PeekRegister(CAM_REG_EXPOSURE), 502) << "PIPE_READ on pipe 0 sends to the camera";
    EXPECT_EQ(ReadRegister(CAM_REG_EXPOSURE), 502);

    CAM_MESSAGE reply{};
    DWORD nReturned = 0;
    EXPECT_EQ(PipeTransfer(m_Device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_REPLY, reply.data(), 64, &nReturned),
              STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 64u);
    EXPECT_EQ(CamReplyRegisterValue(reply.data()), 502) << "PIPE_WRITE on pipe 1 receives";
}

TEST_P(PipeTransfer_, CommandsReachTheSensorAndItsRules)
{
    Open();
    EXPECT_EQ(ReadRegister(CAM_REG_GLOBAL_GAIN), 32) << "power-on value";
    SendCommand(m_Device, CamBuildWriteRegister(CAM_REG_CHIP_VERSION, 7));
    EXPECT_EQ(ReadRegister(CAM_REG_CHIP_VERSION), 0x8431) << "read-only register";
    SendCommand(m_Device, CamBuildWriteRegister(0x0E, 7));
    EXPECT_EQ(ReadRegister(0x0E), 0) << "write-only register reads 0";

    SendCommand(m_Device, CamBuildWriteRegister(CAM_REG_GLOBAL_GAIN, 72));
    SendCommand(m_Device, CamBuildSetHalfClock(TRUE));
    EXPECT_EQ(ReadRegister(CAM_REG_GLOBAL_GAIN), 32) << "a clock change restarts the sensor";
    SendCommand(m_Device, CamBuildCommand(CAM_CMD_GET_HALF_CLOCK));
    CAM_MESSAGE reply{};
    ReadReply(m_Device, &reply);
    EXPECT_TRUE(CamReplyHalfClock(reply.data()));
    SendCommand(m_Device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 100));
    SendCommand(m_Device, CamBuildCommand(CAM_CMD_INIT));
    EXPECT_EQ(ReadRegister(CAM_REG_EXPOSURE), 480);
}

TEST_P(PipeTransfer_, AFullWindowFrameArrivesBetweenFrameAndFrameQueued)
{
    Open();
    std::vector<BYTE> frame(kFullFrame, 0xEE);
    DWORD nReturned = 0;
    ASSERT_EQ(ReadFrame(frame, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, kFullFrame);

    const std::vector<SIM_EVENT> events = m_Plug.Camera().TakeEvents();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Kind, SIM_EVENT_KIND::Command);
    EXPECT_EQ(events[0].nCode, CAM_CMD_FRAME);
    EXPECT_EQ(events[0].nLength, 64u);
    EXPECT_EQ(events[1].Kind, SIM_EVENT_KIND::ImageTransferQueued);
    EXPECT_EQ(events[2].Kind, SIM_EVENT_KIND::Command);
    EXPECT_EQ(events[2].nCode, CAM_CMD_FRAME_QUEUED);
    EXPECT_EQ(events[3].Kind, SIM_EVENT_KIND::FrameDelivered);

    // Raw layout: the blanking row and columns are dark, the window shows the scene, and
    // the bytes after the last row (681 x 481 = 327,561) are zero.
    auto mean = [&](std::size_t nFrom, std::size_t nCount) {
        return std::accumulate(frame.begin() + nFrom, frame.begin() + nFrom + nCount, 0.0) / nCount;
    };
    EXPECT_LT(mean(0, CAM_RAW_ROW_PIXELS), 10.0);
    EXPECT_LT(mean(CAM_RAW_ROW_PIXELS * 240, CAM_RAW_FIRST_COLUMN), 10.0);
    EXPECT_GT(mean(CAM_RAW_ROW_PIXELS * 240 + CAM_RAW_FIRST_COLUMN, 640), 60.0);
    EXPECT_EQ(mean(327561, kFullFrame - 327561), 0.0);
}

TEST_P(PipeTransfer_, WithoutAFrameTheTransferTimesOutAndOnlySelectorOneSetsTheTimeout)
{
    Open();
    m_Plug.Camera().SetStall(true);
    ASSERT_EQ(SetTimeout(m_Device, 1, 150), STATUS_SUCCESS);
    ASSERT_EQ(SetTimeout(m_Device, 2, 0), STATUS_SUCCESS); // changes nothing
    std::vector<BYTE> frame(kFullFrame);
    DWORD nReturned = 99;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadFrame(frame, &nReturned), STATUS_IO_TIMEOUT);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(150)) << "the 150 ms of selector 1, not the 0 of selector 2";
    EXPECT_EQ(nReturned, 0u);
    EXPECT_EQ(LastUsbStatus(m_Device), static_cast<DWORD>(USBD_STATUS_CANCELED));
    EXPECT_EQ(m_Plug.Camera().GetStats().nImageTransfersCancelled, 1u) << "the transfer was cancelled, not left";

    m_Plug.Camera().SetStall(false);
    EXPECT_EQ(SetTimeout(m_Device, 1, 3000), STATUS_SUCCESS);
    EXPECT_EQ(ReadFrame(frame, &nReturned), STATUS_SUCCESS);
}

TEST_P(PipeTransfer_, ShortFramesAndAVanishedCameraFailWithoutWaiting)
{
    Open();
    std::vector<BYTE> frame(kFullFrame);
    DWORD nReturned = 0;
    m_Plug.Camera().SetShortFrame(1000);
    EXPECT_EQ(ReadFrame(frame, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 1000u) << "a short transfer is fine for the driver; the caller sees the count";
    m_Plug.Camera().SetShortFrame(0);

    ASSERT_EQ(SetTimeout(m_Device, 1, 60000), STATUS_SUCCESS);
    m_Plug.Camera().Unplug(); // gone, before the plug and play manager has heard of it
    EXPECT_EQ(ReadFrame(frame, &nReturned), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(LastUsbStatus(m_Device), static_cast<DWORD>(USBD_STATUS_DEVICE_GONE));
    EXPECT_EQ(SendCommand(m_Device, CamBuildCommand(CAM_CMD_INIT)), STATUS_DEVICE_NOT_CONNECTED);
    SetTimeout(m_Device, 1, 3000);
}

TEST_P(PipeTransfer_, TenBitFramesAreTwiceAsLongWithTwoBitsInTheSecondByte)
{
    Open();
    SendCommand(m_Device, CamBuildSetDataWidth(TRUE));
    std::vector<BYTE> frame(2 * kFullFrame);
    DWORD nReturned = 0;
    ASSERT_EQ(ReadFrame(frame, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 2 * kFullFrame);
    BYTE nLowBits = 0;
    for (std::size_t i = 1; i < 2 * 327561; i += 2)
        nLowBits |= frame[i];
    EXPECT_LE(nLowBits, 3);
}

TEST_P(PipeTransfer_, ACameraPulledOutDuringAFrameEndsItAndIsFoundAgainWhenPluggedIn)
{
    Open();
    m_Plug.Camera().SetStall(true); // the frame transfer stays with the camera
    ASSERT_EQ(SetTimeout(m_Device, 1, 60000), STATUS_SUCCESS);
    std::vector<BYTE> frame(kFullFrame);
    std::atomic<NTSTATUS> status{STATUS_PENDING};
    std::thread reader([&] { status = ReadFrame(frame, nullptr); });
    bool bQueued = false;
    ASSERT_TRUE(Eventually([&] {
        for (const SIM_EVENT& event : m_Plug.Camera().TakeEvents())
            bQueued = bQueued || event.Kind == SIM_EVENT_KIND::ImageTransferQueued;
        return bQueued;
    }));

    EXPECT_EQ(m_Plug.Unplug(), STATUS_SUCCESS);
    reader.join(); // no hang: the transfer ended with the camera
    EXPECT_EQ(status.load(), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 0u);
    EXPECT_EQ(SendCommand(m_Device, CamBuildCommand(CAM_CMD_INIT)), STATUS_DELETE_PENDING);
    EXPECT_FALSE(CDeviceHandle(m_Devices, CameraPath(0).c_str()).IsValid()) << "the next open fails";
    m_Device.Close();
    if (IsLibusb()) {
        const STANDIN_STATS stats = m_Standin.GetStats();
        EXPECT_EQ(stats.nOpenHandles, 0u) << "the back end closed the camera that went";
        EXPECT_EQ(stats.nTransfers, 0u) << "and freed its transfers";
        EXPECT_EQ(stats.nDevices, 0u) << "and gave its device back";
    }

    m_Plug = Plug();
    m_Device = CDeviceHandle(m_Devices, CameraPath(0).c_str());
    ASSERT_TRUE(m_Device.IsValid()) << "a camera plugged in again is found";
    ASSERT_EQ(SetTimeout(m_Device, 1, 3000), STATUS_SUCCESS);
    DWORD nReturned = 0;
    EXPECT_EQ(ReadFrame(frame, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, kFullFrame);
}

INSTANTIATE_TEST_SUITE_P(Buses, PipeTransfer_, kBothBuses, CameraBusName);

} // namespace
