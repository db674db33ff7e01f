// The driver's control requests other than the pipe transfers: descriptors, pipe table,
// vendor and control requests, downloads, pipe resets, and the requests about the driver
// itself; over the simulated bus and through the libusb back end.
#include "driver_test_support.h"

#include "driver/firmware/firmware_images.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

class DriverControl : public DriverTestOnBuses<> {
protected:
    void SetUp() override
    {
        m_Plug = Plug();
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
    NTSTATUS Request(DWORD nCode, const void* pIn, DWORD nIn, void* pOut, DWORD nOut, DWORD* pnReturned = nullptr)
    {
        return m_Device.IoControl(nCode, pIn, nIn, pOut, nOut, pnReturned);
    }
    // The vendor requests the camera received since the last call (memory writes only).
    std::vector<SIM_EVENT> VendorEvents()
    {
        std::vector<SIM_EVENT> vendor;
        for (const SIM_EVENT& event : m_Plug.Camera().TakeEvents())
            if (event.Kind == SIM_EVENT_KIND::VendorRequest)
                vendor.push_back(event);
        return vendor;
    }

    CCameraPlug m_Plug;
    CDeviceHandle m_Device;
};

TEST_P(DriverControl, DescriptorsAndTheirShortBuffers)
{
    std::array<BYTE, 32> buffer{};
    DWORD nReturned = 0;
    ASSERT_EQ(Request(IOCTL_CAM_GET_DEVICE_DESCRIPTOR, nullptr, 0, buffer.data(), 18, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 18u);
    EXPECT_EQ(buffer[0], 18);
    EXPECT_EQ(buffer[1], USB_DEVICE_DESCRIPTOR_TYPE);

    buffer.fill(0xCC);
    EXPECT_EQ(Request(IOCTL_CAM_GET_DEVICE_DESCRIPTOR, nullptr, 0, buffer.data(), 10, &nReturned),
              STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(nReturned, 0u);
    EXPECT_EQ(buffer[0], 0xCC) << "nothing written into a short buffer";

    ASSERT_EQ(Request(IOCTL_CAM_GET_CONFIG_DESCRIPTOR, nullptr, 0, buffer.data(), 9, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 9u);
    EXPECT_EQ(buffer[2] | buffer[3] << 8, 76) << "configuration, interface 0 in two settings, seven endpoints";

    const BYTE stringRequest[4] = {2, 0, 0x09, 0x04};
    std::array<BYTE, 64> text{};
    ASSERT_EQ(Request(IOCTL_CAM_GET_STRING_DESCRIPTOR, stringRequest, 4, text.data(), 64, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, text[0]);
    EXPECT_EQ(text[2], 'L');
    EXPECT_EQ(Request(IOCTL_CAM_GET_STRING_DESCRIPTOR, stringRequest, 4, text.data(), 0), STATUS_INVALID_PARAMETER);
    const BYTE missing[4] = {9, 0, 0x09, 0x04};
    EXPECT_EQ(Request(IOCTL_CAM_GET_STRING_DESCRIPTOR, missing, 4, text.data(), 64), STATUS_UNSUCCESSFUL);
}

TEST_P(DriverControl, PipeTableWithTheLargestTransfersOfTheConfiguration)
{
    std::array<BYTE, 128> buffer{};
    DWORD nReturned = 0;
    ASSERT_EQ(Request(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, buffer.data(), 128, &nReturned), STATUS_SUCCESS);
    USBD_INTERFACE_INFORMATION info{};
    std::memcpy(&info, buffer.data(), nReturned);
    EXPECT_EQ(nReturned, 16u + 3 * 20u);
    EXPECT_EQ(info.Length, nReturned);
    ASSERT_EQ(info.NumberOfPipes, 3u);
    EXPECT_EQ(info.Pipes[0].EndpointAddress, 0x01);
    EXPECT_EQ(info.Pipes[1].EndpointAddress, 0x81);
    EXPECT_EQ(info.Pipes[2].EndpointAddress, 0x82);
    EXPECT_EQ(info.Pipes[0].MaximumTransferSize, 1024u);
    EXPECT_EQ(info.Pipes[1].MaximumTransferSize, 1024u);
    EXPECT_EQ(info.Pipes[2].MaximumTransferSize, 0x3FFFFFu);
    EXPECT_EQ(info.Pipes[2].PipeType, UsbdPipeTypeBulk);

    buffer.fill(0xCC);
    EXPECT_EQ(Request(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, buffer.data(), 40, &nReturned), STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(nReturned, 0u);
    EXPECT_EQ(buffer[0], 0xCC);

    // Selecting an alternate setting the camera lacks keeps the table; setting 0 takes 0xFFFF.
    const BYTE absent[2] = {0, 2};
    EXPECT_EQ(Request(IOCTL_CAM_SELECT_INTERFACE, absent, 2, nullptr, 0), STATUS_SUCCESS);
    Request(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, &info, sizeof info);
    EXPECT_EQ(info.Pipes[2].MaximumTransferSize, 0x3FFFFFu);
    const BYTE present[2] = {0, 0};
    EXPECT_EQ(Request(IOCTL_CAM_SELECT_INTERFACE, present, 2, nullptr, 0), STATUS_SUCCESS);
    Request(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, &info, sizeof info);
    EXPECT_EQ(info.Pipes[2].MaximumTransferSize, 0xFFFFu);
    EXPECT_EQ(info.Pipes[0].MaximumTransferSize, 0xFFFFu);
}

TEST_P(DriverControl, AbortAndResetPipeCheckTheIndex)
{
    const DWORD good = 2;
    const DWORD bad = 3;
    const DWORD huge = 0xFFFFFFFF;
    EXPECT_EQ(Request(IOCTL_CAM_ABORT_PIPE, &good, 4, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(Request(IOCTL_CAM_ABORT_PIPE, &bad, 4, nullptr, 0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Request(IOCTL_CAM_ABORT_PIPE, &huge, 4, nullptr, 0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Request(IOCTL_CAM_ABORT_PIPE, &good, 2, nullptr, 0), STATUS_INVALID_PARAMETER) << "no whole index";
    if (!IsLibusb()) { // the simulated bus hands aborts to the camera; libusb cancels transfers itself
        EXPECT_EQ(m_Plug.Camera().GetStats().nPipeAborts, 1u);
        EXPECT_EQ(m_Plug.UsbBus().GetLastPipeRequestLength(), URB_PIPE_REQUEST_LENGTH);
    }

    EXPECT_EQ(Request(IOCTL_CAM_RESET_PIPE, &good, 4, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(Request(IOCTL_CAM_RESET_PIPE, &bad, 4, nullptr, 0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Request(IOCTL_CAM_RESET_PORT, nullptr, 0, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(m_Plug.Camera().GetStats().nPortResets, 1u);
}

// The interface version is the simulated bus's own (the libusb back end reports a current one).
class DriverControlSimulated : public DriverTest {};

TEST_F(DriverControlSimulated, PipeRequestsAreShorterOnOldUsbInterfaces)
{
    SIM_CAMERA_OPTIONS options = Options();
    options.nUsbdiVersion = 0x100;
    CSimCameraPlug old = m_Bus.PlugSimulatedCamera(options);
    CDeviceHandle device(m_Devices, CameraPath(0).c_str());
    const DWORD nPipe = 1;
    EXPECT_EQ(device.IoControl(IOCTL_CAM_RESET_PIPE, &nPipe, 4, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(old.UsbBus().GetLastPipeRequestLength(), URB_PIPE_REQUEST_LENGTH_V1);
}

TEST_P(DriverControl, VendorRequestsAndDownloads)
{
    // Out with length 1 carries the data byte; in reads the camera's memory back.
    const BYTE write[10] = {0xA0, 0, 0x00, 0x30, 0, 0, 1, 0, 0, 0x5A}; // address 0x3000
    EXPECT_EQ(Request(IOCTL_CAM_VENDOR_REQUEST, write, 10, nullptr, 0), STATUS_SUCCESS);
    const BYTE read[10] = {0xA0, 0, 0x00, 0x30, 0, 0, 1, 0, 1, 0};
    BYTE byte = 0;
    DWORD nReturned = 0;
    EXPECT_EQ(Request(IOCTL_CAM_VENDOR_REQUEST, read, 10, &byte, 1, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 1u);
    EXPECT_EQ(byte, 0x5A);
    const BYTE tooLong[10] = {0xA0, 0, 0x00, 0x30, 0, 0, 8, 0, 1, 0};
    EXPECT_EQ(Request(IOCTL_CAM_VENDOR_REQUEST, tooLong, 10, &byte, 1), STATUS_INVALID_PARAMETER)
        << "a reply longer than the buffer is refused";
    EXPECT_EQ(Request(IOCTL_CAM_VENDOR_REQUEST, write, 9, nullptr, 0), STATUS_INVALID_PARAMETER);
    VendorEvents();

    std::vector<BYTE> image(1000, 0x77);
    EXPECT_EQ(Request(IOCTL_CAM_DOWNLOAD_512, image.data(), 1000, nullptr, 0), STATUS_SUCCESS);
    std::vector<SIM_EVENT> sent = VendorEvents();
    ASSERT_EQ(sent.size(), 1u) << "one whole block of 512; the remainder is ignored";
    EXPECT_EQ(sent[0].nCode, 0xA0);
    EXPECT_EQ(sent[0].nValue, 0);
    EXPECT_EQ(sent[0].nLength, 512u);

    const WORD nStart = 0x0100;
    EXPECT_EQ(Request(IOCTL_CAM_DOWNLOAD_64, &nStart, 2, image.data(), 130), STATUS_SUCCESS);
    sent = VendorEvents();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].nValue, 0x0140);
    EXPECT_EQ(sent[2].nValue, 0x0180);
    EXPECT_EQ(sent[2].nLength, 2u);
    EXPECT_EQ(Request(IOCTL_CAM_DOWNLOAD_64, image.data(), 3, image.data(), 130), STATUS_SUCCESS);
    EXPECT_TRUE(VendorEvents().empty()) << "the start address must be exactly two bytes";
}

TEST_P(DriverControl, ControlRequestsChooseFunctionByTypeAndRecipient)
{
    const BYTE vendorIn[10] = {1, 2, 0, 0, 0xA0, 0, 0x00, 0x00, 0, 0}; // memory at 0x0000
    std::array<BYTE, 16> data{};
    DWORD nReturned = 0;
    EXPECT_EQ(Request(IOCTL_CAM_CONTROL_REQUEST, vendorIn, 10, data.data(), 16, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 16u);
    EXPECT_EQ(data[0], GetBuiltInFirmwareImages().ImageB[0].Data[0]) << "the firmware lies at 0x0000";

    const BYTE classInterface[10] = {1, 1, 1, 0, 0x01, 0, 0, 0, 0, 0};
    EXPECT_EQ(Request(IOCTL_CAM_CONTROL_REQUEST, classInterface, 10, data.data(), 16), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(LastUsbStatus(m_Device), static_cast<DWORD>(USBD_STATUS_STALL_PID));
    const BYTE badType[10] = {1, 3, 0, 0, 0x01, 0, 0, 0, 0, 0};
    EXPECT_EQ(Request(IOCTL_CAM_CONTROL_REQUEST, badType, 10, data.data(), 16), STATUS_INVALID_PARAMETER);
    const BYTE badRecipient[10] = {1, 2, 4, 0, 0x01, 0, 0, 0, 0, 0};
    EXPECT_EQ(Request(IOCTL_CAM_CONTROL_REQUEST, badRecipient, 10, data.data(), 16), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Request(IOCTL_CAM_CONTROL_REQUEST, vendorIn, 9, data.data(), 16), STATUS_INVALID_PARAMETER);
}

TEST_P(DriverControl, SmallRequestsAndTheirSizeRules)
{
    BYTE out[8] = {};
    DWORD nReturned = 0;
    EXPECT_EQ(Request(IOCTL_CAM_GET_DRIVER_VERSION, nullptr, 0, out, 6, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 6u);
    EXPECT_EQ((std::array<BYTE, 6>{out[0], out[1], out[2], out[3], out[4], out[5]}),
              (std::array<BYTE, 6>{1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Request(IOCTL_CAM_GET_DRIVER_VERSION, nullptr, 0, out, 5), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(Request(IOCTL_CAM_GET_LAST_USB_STATUS, nullptr, 0, out, 3), STATUS_UNSUCCESSFUL);

    DWORD nFrame = 0;
    EXPECT_EQ(Request(IOCTL_CAM_GET_FRAME_NUMBER, nullptr, 0, &nFrame, 4, &nReturned), STATUS_SUCCESS);
    EXPECT_NE(nFrame, 0u);
    EXPECT_EQ(Request(IOCTL_CAM_GET_FRAME_NUMBER, nullptr, 0, &nFrame, 3), STATUS_INVALID_PARAMETER);

    const WORD wakeUp[2] = {1, 0};
    const WORD unknown[2] = {9, 0};
    EXPECT_EQ(Request(IOCTL_CAM_SET_FEATURE, wakeUp, 4, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(Request(IOCTL_CAM_SET_FEATURE, unknown, 4, nullptr, 0), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(Request(IOCTL_CAM_SET_FEATURE, wakeUp, 3, nullptr, 0), STATUS_INVALID_PARAMETER);

    EXPECT_EQ(Request(IOCTL_CAM_NOP, nullptr, 0, nullptr, 0), STATUS_SUCCESS);
    EXPECT_EQ(Request(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x8FF, METHOD_BUFFERED, FILE_ANY_ACCESS), nullptr, 0, nullptr, 0),
              STATUS_INVALID_PARAMETER);
    for (DWORD nCode : {IOCTL_CAM_ISO_READ, IOCTL_CAM_ISO_WRITE, IOCTL_CAM_START_ISO_STREAM, IOCTL_CAM_READ_ISO_STREAM})
        EXPECT_EQ(Request(nCode, out, 8, out, 8), STATUS_INVALID_PARAMETER) << "short input " << std::hex << nCode;
    EXPECT_EQ(Request(IOCTL_CAM_SET_TIMEOUT, out, 4, nullptr, 0), STATUS_INVALID_PARAMETER);
}

INSTANTIATE_TEST_SUITE_P(Buses, DriverControl, kBothBuses, CameraBusName);

} // namespace
