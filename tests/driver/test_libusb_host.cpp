// The libusb back end's host over the libusb stand-in: cameras found at the start and while
// it runs, cameras it must leave alone, the end that gives everything back; and the
// stand-in's own libusb behaviour that the back end relies on (also under ThreadSanitizer).
#include "driver_test_support.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr ULONG kDriverTag = MakePoolTag('W', 'd', 'm', ' ');

class LibusbHostOnStandin : public DriverTest {
protected:
    LibusbHostOnStandin() { m_eBus = ECameraBus::Libusb; }

    unsigned PlugDevice(WORD nVendorId = SIM_VENDOR_ID, bool bNoAccess = false)
    {
        STANDIN_DEVICE_OPTIONS options;
        options.Camera = Options();
        options.nVendorId = nVendorId;
        options.bNoAccess = bNoAccess;
        return m_Standin.Plug(options);
    }
    bool CanOpen(int n) { return CDeviceHandle(m_Devices, CameraPath(n).c_str()).IsValid(); }
};

TEST_F(LibusbHostOnStandin, CamerasAttachedAtTheStartAreStartedBeforeTheFirstAskReturns)
{
    const unsigned nFirst = PlugDevice();
    const unsigned nSecond = PlugDevice();
    PlugDevice(0x1234); // another product on the bus
    const std::vector<USB_HOTPLUG_DEVICE> cameras = Host().GetCameras();
    ASSERT_EQ(cameras.size(), 2u);
    for (const USB_HOTPLUG_DEVICE& camera : cameras)
        EXPECT_EQ(camera.nStartStatus, STATUS_SUCCESS);
    EXPECT_TRUE(Host().HasHotplug());
    EXPECT_EQ(m_Standin.Camera(nFirst).GetProgram(), SIM_PROGRAM::CameraFirmware);
    EXPECT_EQ(m_Standin.Camera(nSecond).GetProgram(), SIM_PROGRAM::CameraFirmware);
    EXPECT_TRUE(CanOpen(0));
    EXPECT_TRUE(CanOpen(1));
    EXPECT_FALSE(CanOpen(2)) << "the other product is not taken";

    EndHost(); // removes both (orderly), closes them and ends libusb
    EXPECT_FALSE(CanOpen(0));
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(kDriverTag), 0u);
}

TEST_F(LibusbHostOnStandin, ArrivalAndDepartureWhileRunningAndAgain)
{
    EXPECT_TRUE(Host().GetCameras().empty());
    for (int nRound = 0; nRound < 3; ++nRound) {
        CCameraPlug plug = Plug();
        ASSERT_TRUE(plug.IsPlugged()) << "round " << nRound;
        CDeviceHandle device(m_Devices, CameraPath(0).c_str());
        ASSERT_TRUE(device.IsValid()) << "round " << nRound;
        EXPECT_EQ(SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 200)), STATUS_SUCCESS);
        EXPECT_EQ(plug.Unplug(), STATUS_SUCCESS);
        EXPECT_EQ(SendCommand(device, CamBuildCommand(CAM_CMD_INIT)), STATUS_DELETE_PENDING);
        EXPECT_TRUE(Host().GetCameras().empty());
        const STANDIN_STATS stats = m_Standin.GetStats();
        EXPECT_EQ(stats.nOpenHandles, 0u);
        EXPECT_EQ(stats.nTransfers, 0u);
        EXPECT_EQ(stats.nDevices, 0u);
    }
}

TEST_F(LibusbHostOnStandin, WithoutHotplugOnlyTheCamerasAttachedAtTheStartAreTaken)
{
    m_Standin.SetHotplugCapability(false);
    PlugDevice();
    EXPECT_FALSE(Host().HasHotplug());
    EXPECT_EQ(Host().GetCameras().size(), 1u) << "found by listing the devices once";
    PlugDevice();
    EXPECT_TRUE(m_Standin.WaitForHotplugDelivery(5000));
    EXPECT_EQ(Host().GetCameras().size(), 1u);
    EXPECT_TRUE(CanOpen(0));
}

TEST_F(LibusbHostOnStandin, CamerasItCannotOpenOrThatAnotherProgramUsesAreLeftAlone)
{
    const unsigned nLocked = PlugDevice(SIM_VENDOR_ID, true); // no udev rule for it

    // Another program has configured this one and claimed its interface.
    const unsigned nBusy = PlugDevice();
    libusb_context* pOther = nullptr;
    ASSERT_EQ(libusb_init(&pOther), LIBUSB_SUCCESS);
    libusb_device** ppList = nullptr;
    const ssize_t nDevices = libusb_get_device_list(pOther, &ppList);
    ASSERT_EQ(nDevices, 2);
    libusb_device_handle* pHandle = nullptr;
    for (ssize_t i = 0; i < nDevices; ++i)
        if (libusb_open(ppList[i], &pHandle) == LIBUSB_SUCCESS)
            break;
    libusb_free_device_list(ppList, 1);
    ASSERT_NE(pHandle, nullptr);
    ASSERT_EQ(libusb_set_configuration(pHandle, SIM_CONFIGURATION_VALUE), LIBUSB_SUCCESS);
    ASSERT_EQ(libusb_claim_interface(pHandle, 0), LIBUSB_SUCCESS);

    EXPECT_TRUE(Host().GetCameras().empty());
    EXPECT_FALSE(CanOpen(0));
    EXPECT_EQ(m_Standin.Camera(nLocked).GetStats().nFirmwareRecords, 0u);
    EXPECT_EQ(m_Standin.Camera(nBusy).GetStats().nFirmwareRecords, 0u) << "no firmware into a camera in use";

    EXPECT_EQ(libusb_release_interface(pHandle, 0), LIBUSB_SUCCESS);
    libusb_close(pHandle);
    libusb_exit(pOther);
}

// The stand-in's own behaviour, through libusb's interface as a program uses it.
class LibusbStandin : public LibusbHostOnStandin {
protected:
    struct RESULT {
        bool bDone = false;
        libusb_transfer_status Status = LIBUSB_TRANSFER_ERROR;
        int nLength = -1;
        std::thread::id Thread;
    };
    static void LIBUSB_CALL OnDone(libusb_transfer* pTransfer)
    {
        auto* pResult = static_cast<RESULT*>(pTransfer->user_data);
        pResult->bDone = true;
        pResult->Status = pTransfer->status;
        pResult->nLength = pTransfer->actual_length;
        pResult->Thread = std::this_thread::get_id();
    }
    // Handles events on this thread until the transfer has completed (at most five seconds).
    RESULT Run(libusb_transfer* pTransfer, RESULT& result)
    {
        result = RESULT{};
        EXPECT_EQ(libusb_submit_transfer(pTransfer), LIBUSB_SUCCESS);
        for (int i = 0; i < 50 && !result.bDone; ++i) {
            timeval timeout{0, 100000};
            int bCompleted = 0;
            libusb_handle_events_timeout_completed(m_pContext, &timeout, &bCompleted);
        }
        return result;
    }
    void OpenSecondHandle()
    {
        ASSERT_EQ(libusb_init(&m_pContext), LIBUSB_SUCCESS);
        libusb_device** ppList = nullptr;
        ASSERT_EQ(libusb_get_device_list(m_pContext, &ppList), 1);
        ASSERT_EQ(libusb_open(ppList[0], &m_pHandle), LIBUSB_SUCCESS);
        libusb_free_device_list(ppList, 1);
    }
    void TearDown() override
    {
        if (m_pHandle)
            libusb_close(m_pHandle);
        if (m_pContext)
            libusb_exit(m_pContext);
        LibusbHostOnStandin::TearDown();
    }

    libusb_context* m_pContext = nullptr;
    libusb_device_handle* m_pHandle = nullptr;
};

TEST_F(LibusbStandin, TransfersEndAsLibusbReportsThemOnTheEventThread)
{
    CCameraPlug plug = Plug(); // started by the back end: firmware running, configured
    OpenSecondHandle();
    plug.Camera().SetStall(true);
    std::vector<unsigned char> buffer(1024, 0xEE);
    libusb_transfer* pTransfer = libusb_alloc_transfer(0);
    RESULT result;

    // A frame that does not come: the transfer's own time-out ends it.
    libusb_fill_bulk_transfer(pTransfer, m_pHandle, SIM_EP_IMAGE, buffer.data(), 1024, &OnDone, &result, 50);
    Run(pTransfer, result);
    EXPECT_EQ(result.Status, LIBUSB_TRANSFER_TIMED_OUT);
    EXPECT_EQ(result.nLength, 0);
    EXPECT_EQ(result.Thread, std::this_thread::get_id()) << "called by the thread handling the events";
    EXPECT_EQ(libusb_cancel_transfer(pTransfer), LIBUSB_ERROR_NOT_FOUND) << "it has ended";
    EXPECT_EQ(buffer[0], 0xEE);

    // Submitted twice: refused, and noted as a misuse.
    pTransfer->timeout = 0;
    result = RESULT{};
    ASSERT_EQ(libusb_submit_transfer(pTransfer), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_submit_transfer(pTransfer), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(m_Standin.TakeMisuses().size(), 1u);
    EXPECT_EQ(libusb_cancel_transfer(pTransfer), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_cancel_transfer(pTransfer), LIBUSB_ERROR_NOT_FOUND) << "asked already";
    for (int i = 0; i < 50 && !result.bDone; ++i) {
        timeval timeout{0, 100000};
        libusb_handle_events_timeout_completed(m_pContext, &timeout, nullptr);
    }
    EXPECT_EQ(result.Status, LIBUSB_TRANSFER_CANCELLED);

    // A reply of 64 bytes where 100 were asked for: short, which SHORT_NOT_OK makes an error.
    libusb_fill_bulk_transfer(pTransfer, m_pHandle, SIM_EP_REPLY, buffer.data(), 100, &OnDone, &result, 0);
    EXPECT_EQ(Run(pTransfer, result).Status, LIBUSB_TRANSFER_COMPLETED);
    EXPECT_EQ(result.nLength, 64);
    pTransfer->flags = LIBUSB_TRANSFER_SHORT_NOT_OK;
    EXPECT_EQ(Run(pTransfer, result).Status, LIBUSB_TRANSFER_ERROR);

    // Pulled out: a transfer in flight ends with NO_DEVICE, later calls fail with NO_DEVICE.
    pTransfer->flags = 0;
    libusb_fill_bulk_transfer(pTransfer, m_pHandle, SIM_EP_IMAGE, buffer.data(), 1024, &OnDone, &result, 0);
    result = RESULT{};
    ASSERT_EQ(libusb_submit_transfer(pTransfer), LIBUSB_SUCCESS);
    EXPECT_EQ(plug.Unplug(), STATUS_SUCCESS);
    for (int i = 0; i < 50 && !result.bDone; ++i) {
        timeval timeout{0, 100000};
        libusb_handle_events_timeout_completed(m_pContext, &timeout, nullptr);
    }
    EXPECT_EQ(result.Status, LIBUSB_TRANSFER_NO_DEVICE);
    EXPECT_EQ(libusb_submit_transfer(pTransfer), LIBUSB_ERROR_NO_DEVICE);
    unsigned char descriptor[18];
    EXPECT_EQ(libusb_control_transfer(m_pHandle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                      LIBUSB_DT_DEVICE << 8, 0, descriptor, 18, 1000),
              LIBUSB_ERROR_NO_DEVICE);
    int nConfiguration = 0;
    EXPECT_EQ(libusb_get_configuration(m_pHandle, &nConfiguration), LIBUSB_ERROR_NO_DEVICE);
    libusb_free_transfer(pTransfer);
}

TEST_F(LibusbStandin, InterruptingTheEventHandlerWakesIt)
{
    ASSERT_EQ(libusb_init(&m_pContext), LIBUSB_SUCCESS);
    std::atomic<int> nResult{1};
    std::thread handler([&] {
        timeval timeout{60, 0};
        nResult = libusb_handle_events_timeout_completed(m_pContext, &timeout, nullptr);
    });
    libusb_interrupt_event_handler(m_pContext); // before or during the wait: it returns at once
    handler.join();
    EXPECT_EQ(nResult, LIBUSB_ERROR_INTERRUPTED);
}

} // namespace
