// The camera library against the simulated camera, through the same device path the
// program uses: namespace -> driver -> simulated USB camera.
#include "app/camera/camera_device.h"

#include "app/camera/camera_transfer.h"
#include "driver/camera_protocol.h"
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "simcam/sim_camera_bus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

// Reaches the capture state the way only tests need to.
class CCameraDeviceTest {
public:
    static void SetSlots(CCameraDevice& camera, int nWrite, int nRead)
    {
        camera.m_nWriteSlot.store(nWrite);
        camera.m_nReadSlot.store(nRead);
    }
    static int ReadSlot(const CCameraDevice& camera) { return camera.m_nReadSlot.load(); }
    static std::size_t SlotCount(const CCameraDevice& camera) { return camera.m_Slots.size(); }
    // A geometry whose frame transfer moves no bytes, as a ring left behind by a
    // geometry change that did not reallocate it would have.
    static void EmptyTheTransfer(CCameraDevice& camera) { camera.m_Geometry.m_nTransferSize = 0; }
};

namespace {

class CameraDeviceTest : public ::testing::Test {
protected:
    CSimCameraPlug Plug(bool bPaced = true)
    {
        SIM_CAMERA_OPTIONS options;
        options.bPaced = bPaced;
        return m_Bus.PlugSimulatedCamera(options);
    }

    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp{m_Devices, &DriverEntry};
    CSimCameraBus m_Bus{m_Pnp};
};

DWORD CommandCount(const CSimCameraPlug& plug) { return plug.Camera().GetStats().nCommands; }

// The commands that change the camera's set-up (the transfer thread's frame commands
// are left out).
DWORD SetupCommandCount(const CSimCameraPlug& plug)
{
    const SIM_CAMERA_STATS stats = plug.Camera().GetStats();
    DWORD nCount = 0;
    for (BYTE nCode : {CAM_CMD_WRITE_REG, CAM_CMD_INIT, CAM_CMD_SET_TRANSFER_SIZE, CAM_CMD_SET_DATA_WIDTH,
                       CAM_CMD_SET_HALF_CLOCK})
        nCount += stats.CommandsByCode[nCode];
    return nCount;
}

bool SameGeometry(const CRawGeometry& a, const CRawGeometry& b)
{
    return a.m_nHTotal == b.m_nHTotal && a.m_nHStart == b.m_nHStart && a.m_nHEffective == b.m_nHEffective &&
           a.m_nVTotal == b.m_nVTotal && a.m_nVStart == b.m_nVStart && a.m_nVEffective == b.m_nVEffective &&
           a.m_nTransferSize == b.m_nTransferSize;
}

constexpr BYTE kUntouched = 0xA5;

// Takes frames until one answers nWanted (or a generous while passes): the result
// and the frame. A frame that fails leaves the destination as it was (kUntouched),
// which is checked on the way.
int NextFrameAnswering(CCameraDevice& camera, int nWanted, std::vector<BYTE>& frame)
{
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int nResult = -1;
    while (nResult != nWanted && std::chrono::steady_clock::now() < tEnd) {
        if (!camera.WaitFrameReady(500))
            continue;
        std::fill(frame.begin(), frame.end(), kUntouched);
        nResult = camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size());
        if (nResult == CAM_ERR_FRAME) {
            EXPECT_EQ(std::count(frame.begin(), frame.end(), kUntouched), static_cast<long>(frame.size()))
                << "a failed frame copies nothing";
        }
    }
    return nResult;
}

} // namespace

TEST_F(CameraDeviceTest, FullWindowSetsRegistersTransferSizeAndRing)
{
    CSimCameraPlug plug = Plug();
    ASSERT_TRUE(plug.IsPlugged());
    CCameraDevice camera(m_Devices);
    EXPECT_TRUE(camera.IsDevicePresent(0));
    EXPECT_FALSE(camera.IsDevicePresent(1));
    EXPECT_FALSE(camera.IsDevicePresent(8));

    plug.Camera().TakeEvents();
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK);
    const WORD expected[] = {3, 10, 488, 658, 10, 25};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(plug.Camera().PeekRegister(static_cast<BYTE>(1 + i)), expected[i]) << "register " << 1 + i;
    EXPECT_EQ(camera.Geometry().m_nTransferSize, 327680);
    EXPECT_EQ(CCameraDeviceTest::SlotCount(camera), 10u);
    bool bSizeSent = false;
    for (const SIM_EVENT& event : plug.Camera().TakeEvents())
        bSizeSent |= event.Kind == SIM_EVENT_KIND::Command && event.nCode == CAM_CMD_SET_TRANSFER_SIZE;
    EXPECT_TRUE(bSizeSent);
}

TEST_F(CameraDeviceTest, WindowChecksAndBayerPhase)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    EXPECT_EQ(camera.SetCaptureWindow(1, 0, 639, 480, 0), CAM_OK);
    EXPECT_EQ(camera.BayerPhase(), 2);
    EXPECT_EQ(camera.SetCaptureWindow(1, 0, 640, 480, 0), CAM_ERR_BAD_WINDOW);
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 3, 480, 0), CAM_ERR_BAD_WINDOW);
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 640, 2, 0), CAM_ERR_BAD_WINDOW);
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 4), CAM_ERR_BAD_WINDOW);
    EXPECT_EQ(camera.Geometry().m_nHEffective, 639) << "a refused window changes nothing";
    EXPECT_EQ(camera.SetCaptureWindow(2, 3, 100, 50, 1), CAM_OK);
    EXPECT_EQ(camera.BayerPhase(), 1);
    EXPECT_EQ(camera.Geometry().m_nTransferSize, (681 * 51 + 1023) / 1024 * 1024);
}

TEST_F(CameraDeviceTest, RegistersFollowTheAccessTableAndMasks)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    const DWORD nBefore = CommandCount(plug);
    WORD nValue = 77;
    EXPECT_FALSE(camera.WriteRegister(0x00, 5));
    EXPECT_FALSE(camera.ReadRegister(0x0E, &nValue));
    EXPECT_EQ(nValue, 77);
    EXPECT_FALSE(camera.SetColorGain(0x2A, 5));
    EXPECT_EQ(CommandCount(plug), nBefore) << "refusals send nothing";
    EXPECT_TRUE(camera.WriteRegister(0x0E, 5));
    EXPECT_EQ(CommandCount(plug), nBefore + 1);

    EXPECT_TRUE(camera.SetGlobalGain(200));
    EXPECT_EQ(plug.Camera().PeekRegister(0x35), 72);
    EXPECT_EQ(camera.GetGlobalGain(), 72);
    EXPECT_TRUE(camera.SetExposure(0x4005));
    EXPECT_EQ(plug.Camera().PeekRegister(0x09), 5);
    EXPECT_TRUE(camera.SetExposure(502)); // read back as the reply bytes 0x01 0xF6
    WORD nLines = 0;
    EXPECT_TRUE(camera.GetExposure(&nLines));
    EXPECT_EQ(nLines, 502);
    EXPECT_TRUE(camera.SetColorGain(0x2E, 0x1FF));
    EXPECT_EQ(plug.Camera().PeekRegister(0x2E), 0xFF);
    EXPECT_EQ(plug.Camera().PeekRegister(0x07) & 7, 5) << "output mode 0 sets the low bits to 5";
}

TEST_F(CameraDeviceTest, HalfClockReinitialisesToTheFullWindow)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    BOOL bHalf = TRUE;
    ASSERT_TRUE(camera.GetHalfClock(&bHalf));
    EXPECT_FALSE(bHalf);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 320, 240, 0), CAM_OK);
    EXPECT_TRUE(camera.SetHalfClock(TRUE));
    ASSERT_TRUE(camera.GetHalfClock(&bHalf));
    EXPECT_TRUE(bHalf);
    EXPECT_TRUE(plug.Camera().IsHalfClock());
    EXPECT_EQ(camera.Geometry().m_nHEffective, 640);
}

TEST_F(CameraDeviceTest, ReadIndexTakesTheNewestCompletedSlotAndTheWriterSkipsTheReader)
{
    CSimCameraPlug plug = Plug();
    CCameraDevice camera(m_Devices);
    CCameraDeviceTest::SetSlots(camera, 0, 0);
    EXPECT_FALSE(camera.IsFrameReady()) << "nothing completed yet";
    CCameraDeviceTest::SetSlots(camera, 3, 0); // slots 0, 1, 2 done, 3 being filled
    EXPECT_TRUE(camera.IsFrameReady());
    EXPECT_EQ(CCameraDeviceTest::ReadSlot(camera), 2);
    CCameraDeviceTest::SetSlots(camera, 1, 8); // wrapped: 8, 9, 0 done
    EXPECT_TRUE(camera.IsFrameReady());
    EXPECT_EQ(CCameraDeviceTest::ReadSlot(camera), 0);

    EXPECT_EQ(CCameraDevice::NextWriteSlot(8, 9, 10), 0) << "finishing 8 while the reader holds 9";
    EXPECT_EQ(CCameraDevice::NextWriteSlot(9, 5, 10), 0);
    EXPECT_EQ(CCameraDevice::NextWriteSlot(4, 5, 10), 6);
}

TEST_F(CameraDeviceTest, CaptureDeliversFramesAtTheCamerasRate)
{
    CSimCameraPlug plug = Plug(true);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK);
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    EXPECT_EQ(camera.StartCapture(), CAM_ERR_CAPTURING);
    EXPECT_FALSE(camera.IsFrameReady()) << "no transfer has completed right after the start";

    std::vector<BYTE> frame(640 * 480);
    ASSERT_TRUE(camera.WaitFrameReady(3000));
    ASSERT_EQ(camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size()), CAM_OK);
    EXPECT_NE(std::count(frame.begin(), frame.end(), frame[0]), static_cast<long>(frame.size())) << "a scene, not a flat frame";

    const double dRate = plug.Camera().GetFrameRate();
    const auto tStart = std::chrono::steady_clock::now();
    int nFrames = 0;
    while (std::chrono::steady_clock::now() - tStart < std::chrono::milliseconds(1000)) {
        if (camera.WaitFrameReady(200)) {
            ASSERT_EQ(camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size()), CAM_OK);
            ++nFrames;
        }
    }
    // Paced by the camera: never faster than its rate, and not far slower (the bound
    // is loose: sanitizer builds on a busy machine lose frames).
    EXPECT_LE(nFrames, dRate * 1.2 + 1);
    EXPECT_GE(nFrames, dRate * 0.25);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
}

// GetFrame takes no destination without its size.
template <typename TCamera>
constexpr bool kTakesFramesWithoutSize = requires(TCamera& camera, BYTE* pDst) {
    camera.GetFrame(pDst, FALSE, FALSE, TRUE);
};
static_assert(!kTakesFramesWithoutSize<CCameraDevice>);

TEST_F(CameraDeviceTest, GetFrameRefusesDestinationsTooSmallAndHonoursStrides)
{
    CSimCameraPlug plug = Plug(false);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 637, 10, 0), CAM_OK);
    std::vector<BYTE> frame(640 * 10, 0xEE);
    EXPECT_EQ(camera.GetFrame(nullptr, FALSE, FALSE, TRUE, 0, frame.size()), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 640, 640 * 9), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 640, frame.size()), CAM_OK);
    EXPECT_EQ(frame[637], 0xEE) << "row padding is left alone";
    std::vector<BYTE> colour(637 * 3 * 10);
    EXPECT_EQ(camera.GetFrame(colour.data(), TRUE, TRUE, FALSE, 0, colour.size() - 1), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(camera.GetFrame(colour.data(), TRUE, TRUE, FALSE, 0, colour.size()), CAM_OK);

    // 10-bit samples take two bytes: a destination sized for 8-bit ones is refused.
    ASSERT_TRUE(camera.SetDataWidth(TRUE));
    std::vector<BYTE> samples(637 * 2 * 10, kUntouched);
    EXPECT_EQ(camera.GetFrame(samples.data(), FALSE, FALSE, TRUE, 0, 637 * 10), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(camera.GetFrame(samples.data(), FALSE, FALSE, TRUE, 0, samples.size() - 1), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(std::count(samples.begin(), samples.end(), kUntouched), static_cast<long>(samples.size()));
    EXPECT_EQ(camera.GetFrame(samples.data(), FALSE, FALSE, TRUE, 0, samples.size()), CAM_OK);
}

TEST_F(CameraDeviceTest, ARefusedIndexLeavesTheWindowTheRingAndTheSettingsAsTheyWere)
{
    CSimCameraPlug plug = Plug(false);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(3, 2, 100, 50, 1), CAM_OK);
    // White-balance gains measured on a frame of the scene.
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    ASSERT_TRUE(camera.WaitFrameReady(3000));
    std::vector<BYTE> colour(100 * 3 * 50);
    ASSERT_EQ(camera.GetFrame(colour.data(), TRUE, TRUE, FALSE, 0, colour.size()), CAM_OK);
    ASSERT_EQ(camera.StopCapture(), CAM_OK);
    camera.SetDataWidth(TRUE);
    const CRawGeometry before = camera.Geometry();
    const double dRedGain = camera.WhiteBalanceGains()[0];
    ASSERT_NE(dRedGain, 1.0);
    const DWORD nCommands = CommandCount(plug);
    for (int nIndex : {-1, 9}) {
        EXPECT_EQ(camera.Initialize(nIndex), CAM_ERR_BAD_INDEX);
        EXPECT_TRUE(SameGeometry(camera.Geometry(), before)) << "index " << nIndex;
        EXPECT_EQ(camera.BayerPhase(), 2);
        EXPECT_EQ(camera.WhiteBalanceGains()[0], dRedGain);
        EXPECT_STREQ(camera.DevicePath(), "\\\\.\\Lorvidex07-0");
    }
    EXPECT_EQ(CommandCount(plug), nCommands) << "nothing is sent";

    // The ring still matches the window, in 10-bit samples: a capture fills it with
    // whole frames and a destination for 8-bit samples is too small.
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    std::vector<BYTE> tenBit(100 * 2 * 50);
    ASSERT_EQ(NextFrameAnswering(camera, CAM_OK, tenBit), CAM_OK);
    ASSERT_TRUE(camera.WaitFrameReady(3000));
    std::vector<BYTE> eightBit(100 * 50);
    EXPECT_EQ(camera.GetFrame(eightBit.data(), FALSE, FALSE, TRUE, 0, eightBit.size()), CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
}

TEST_F(CameraDeviceTest, WhileCaptureRunsTheWindowClockDeviceAndDataWidthStay)
{
    CSimCameraPlug plug = Plug(false);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 64, 16, 0), CAM_OK);
    const CRawGeometry before = camera.Geometry();
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    std::vector<BYTE> frame(64 * 16);
    ASSERT_EQ(NextFrameAnswering(camera, CAM_OK, frame), CAM_OK);

    const DWORD nSetupCommands = SetupCommandCount(plug);
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_ERR_CAPTURING);
    EXPECT_FALSE(camera.SetHalfClock(TRUE));
    EXPECT_EQ(camera.Initialize(0), CAM_ERR_CAPTURING);
    EXPECT_EQ(camera.Initialize(9), CAM_ERR_CAPTURING);
    EXPECT_FALSE(camera.SetDataWidth(TRUE));
    EXPECT_EQ(SetupCommandCount(plug), nSetupCommands) << "nothing is sent";
    EXPECT_FALSE(plug.Camera().IsHalfClock());
    EXPECT_TRUE(SameGeometry(camera.Geometry(), before));

    // The frames go on in the window and width the capture started with.
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(NextFrameAnswering(camera, CAM_OK, frame), CAM_OK);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK) << "stopped, the window may change";
}

TEST_F(CameraDeviceTest, CaptureDoesNotStartOnFramesOfNoBytes)
{
    CSimCameraPlug plug = Plug(false);
    CCameraDevice camera(m_Devices);
    CCameraDeviceTest::EmptyTheTransfer(camera);
    EXPECT_EQ(camera.StartCapture(), CAM_ERR_NO_MEMORY);
    EXPECT_FALSE(camera.IsCapturing());
    EXPECT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK);
    EXPECT_EQ(camera.StartCapture(), CAM_OK);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
}

TEST_F(CameraDeviceTest, ShortFramesAreRefusedWhileTheyLastAndTheCameraRecovers)
{
    CSimCameraPlug plug = Plug(false);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.SetCaptureWindow(0, 0, 640, 480, 0), CAM_OK);
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    std::vector<BYTE> frame(640 * 480);
    ASSERT_EQ(NextFrameAnswering(camera, CAM_OK, frame), CAM_OK);
    EXPECT_EQ(camera.CaptureError(), CAM_OK);

    // A short frame fills only the start of its slot: the rest is an older frame.
    plug.Camera().SetShortFrame(1000);
    ASSERT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME, frame), CAM_ERR_FRAME);
    EXPECT_TRUE(camera.IsCapturing()) << "capture goes on after a failed frame";
    EXPECT_EQ(camera.CaptureError(), CAM_ERR_FRAME);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(camera.WaitFrameReady(3000));
        std::fill(frame.begin(), frame.end(), kUntouched);
        EXPECT_EQ(camera.GetFrame(frame.data(), FALSE, FALSE, TRUE, 0, frame.size()), CAM_ERR_FRAME)
            << "every short frame";
        EXPECT_EQ(frame[0], kUntouched);
    }

    plug.Camera().SetShortFrame(0);
    ASSERT_EQ(NextFrameAnswering(camera, CAM_OK, frame), CAM_OK);
    EXPECT_NE(std::count(frame.begin(), frame.end(), frame[0]), static_cast<long>(frame.size())) << "a scene again";
    EXPECT_EQ(camera.CaptureError(), CAM_ERR_FRAME) << "kept for the rest of the capture";
    EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
}

TEST_F(CameraDeviceTest, UnplugDuringCaptureEndsWithFrameErrorAndStopReturnsOnce)
{
    CSimCameraPlug plug = Plug(true);
    CCameraDevice camera(m_Devices);
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    ASSERT_TRUE(camera.WaitFrameReady(3000));
    plug.Unplug();
    std::vector<BYTE> frame(640 * 480);
    EXPECT_EQ(NextFrameAnswering(camera, CAM_ERR_FRAME, frame), CAM_ERR_FRAME) << "a gone camera gives no frames";
    EXPECT_EQ(camera.CaptureError(), CAM_ERR_FRAME);
    EXPECT_EQ(camera.StopCapture(), CAM_ERR_FRAME);
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
}

TEST_F(CameraDeviceTest, WithoutACameraEverythingFailsQuietly)
{
    CCameraDevice camera(m_Devices);
    EXPECT_FALSE(camera.IsDevicePresent(0));
    EXPECT_FALSE(camera.WriteRegister(0x35, 1));
    WORD nValue = 9;
    EXPECT_FALSE(camera.ReadRegister(0x35, &nValue));
    EXPECT_EQ(nValue, 0);
    BOOL bHalf = TRUE;
    EXPECT_FALSE(camera.GetHalfClock(&bHalf));
    EXPECT_TRUE(bHalf) << "left alone";
    EXPECT_EQ(camera.Initialize(9), CAM_ERR_BAD_INDEX);
    // The transfer thread cannot open the device and ends at once.
    ASSERT_EQ(camera.StartCapture(), CAM_OK);
    EXPECT_FALSE(camera.WaitFrameReady(200));
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
    EXPECT_EQ(camera.CaptureError(), CAM_ERR_NO_HANDLE);
    EXPECT_EQ(camera.StartCapture(), CAM_OK) << "a new capture may start after the thread ended by itself";
    EXPECT_FALSE(camera.WaitFrameReady(200));
    EXPECT_EQ(camera.StopCapture(), CAM_OK);
}

TEST_F(CameraDeviceTest, TransferAnswersTheLibrarysCodesAndTheCallersFailure)
{
    CSimCameraPlug plug = Plug(false);
    const CDeviceHandle none;
    const CDeviceHandle device(m_Devices, "\\\\.\\Lorvidex07-0");
    ASSERT_TRUE(device.IsValid());
    BYTE buffer[CAM_MESSAGE_SIZE] = {CAM_CMD_INIT};
    EXPECT_EQ(Transfer(none, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, buffer, CAM_MESSAGE_SIZE, CAM_ERR_COMMAND),
              CAM_ERR_NO_HANDLE);
    EXPECT_EQ(Transfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, nullptr, CAM_MESSAGE_SIZE, CAM_ERR_COMMAND),
              CAM_ERR_NULL_BUFFER);
    EXPECT_EQ(SendCommand(device, buffer, 1), CAM_OK);

    plug.Unplug();
    EXPECT_EQ(SendCommand(device, buffer, 1), CAM_ERR_COMMAND);
    CTransferStatus status;
    EXPECT_EQ(Transfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, buffer, CAM_MESSAGE_SIZE, CAM_ERR_FRAME, &status),
              CAM_ERR_FRAME);
    EXPECT_FALSE(NT_SUCCESS(status.Status)) << std::hex << status.Status;
}
