// The libusb back end on the machine's own libusb, as far as it goes without a camera: the
// mapping of libusb's results, starting and ending libusb with hot-plug registered, finding
// no camera and never hanging, and the camera id settings. The back end's transfers run end
// to end over the libusb stand-in (test_libusb_host.cpp and the tests over both buses).
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "driver/usb_camera_ids.h"
#include "driver/usb_libusb/libusb_private.h"
#include "platform/devio.h"

#include <gtest/gtest.h>

namespace {

// Ids that no device carries: the tests never open a real device that happens to be attached.
constexpr USB_CAMERA_IDS kNoSuchCamera{0xF055, 0xFFFE};

TEST(LibusbStatus, EveryLibusbResultHasItsUsbStatus)
{
    const std::pair<int, USBD_STATUS> table[] = {
        {LIBUSB_SUCCESS, USBD_STATUS_SUCCESS},
        {5, USBD_STATUS_SUCCESS}, // a byte count
        {LIBUSB_ERROR_IO, USBD_STATUS_XACT_ERROR},
        {LIBUSB_ERROR_INVALID_PARAM, USBD_STATUS_INVALID_PARAMETER},
        {LIBUSB_ERROR_ACCESS, USBD_STATUS_NOT_SUPPORTED},
        {LIBUSB_ERROR_NO_DEVICE, USBD_STATUS_DEVICE_GONE},
        {LIBUSB_ERROR_NOT_FOUND, USBD_STATUS_INVALID_PIPE_HANDLE},
        {LIBUSB_ERROR_BUSY, USBD_STATUS_ERROR_BUSY},
        {LIBUSB_ERROR_TIMEOUT, USBD_STATUS_TIMEOUT},
        {LIBUSB_ERROR_OVERFLOW, USBD_STATUS_BABBLE_DETECTED},
        {LIBUSB_ERROR_PIPE, USBD_STATUS_STALL_PID},
        {LIBUSB_ERROR_INTERRUPTED, USBD_STATUS_CANCELED},
        {LIBUSB_ERROR_NO_MEM, USBD_STATUS_INSUFFICIENT_RESOURCES},
        {LIBUSB_ERROR_NOT_SUPPORTED, USBD_STATUS_NOT_SUPPORTED},
        {LIBUSB_ERROR_OTHER, USBD_STATUS_INTERNAL_HC_ERROR},
        {-1000, USBD_STATUS_INTERNAL_HC_ERROR},
    };
    for (const auto& [nResult, expected] : table) {
        EXPECT_EQ(UsbdStatusFromLibusb(nResult), expected) << libusb_error_name(nResult);
        if (nResult < 0) {
            EXPECT_FALSE(USBD_SUCCESS(UsbdStatusFromLibusb(nResult))) << "every error fails";
        }
    }

    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_COMPLETED), USBD_STATUS_SUCCESS);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_CANCELLED), USBD_STATUS_CANCELED);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_NO_DEVICE), USBD_STATUS_DEVICE_GONE);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_STALL), USBD_STATUS_STALL_PID);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_TIMED_OUT), USBD_STATUS_TIMEOUT);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_OVERFLOW), USBD_STATUS_BABBLE_DETECTED);
    EXPECT_EQ(UsbdStatusFromTransfer(LIBUSB_TRANSFER_ERROR), USBD_STATUS_XACT_ERROR);

    // What the driver's requests then answer.
    EXPECT_EQ(UsbdStatusToNtStatus(UsbdStatusFromTransfer(LIBUSB_TRANSFER_CANCELLED)), STATUS_CANCELLED);
    EXPECT_EQ(UsbdStatusToNtStatus(UsbdStatusFromTransfer(LIBUSB_TRANSFER_NO_DEVICE)), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(UsbdStatusToNtStatus(UsbdStatusFromTransfer(LIBUSB_TRANSFER_TIMED_OUT)), STATUS_IO_TIMEOUT);
    EXPECT_EQ(UsbdStatusToNtStatus(UsbdStatusFromTransfer(LIBUSB_TRANSFER_STALL)), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(UsbdStatusToNtStatus(UsbdStatusFromLibusb(LIBUSB_ERROR_NOT_SUPPORTED)), STATUS_NOT_SUPPORTED);
}

class LibusbHost : public ::testing::Test {
protected:
    // The host, or a skip when libusb cannot start on this machine.
    std::unique_ptr<IUsbCameraHost> StartHost()
    {
        std::unique_ptr<IUsbCameraHost> pHost = CreateLibusbCameraHost(m_Pnp, kNoSuchCamera);
        EXPECT_TRUE(pHost);
        return pHost;
    }

    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp{m_Devices, &DriverEntry};
};

TEST_F(LibusbHost, WithoutACameraNothingIsFoundAndNothingHangs)
{
    std::unique_ptr<IUsbCameraHost> pHost = StartHost();
    if (!NT_SUCCESS(pHost->GetStatus()))
        GTEST_SKIP() << "libusb cannot start on this machine (status " << std::hex << pHost->GetStatus() << ")";
    EXPECT_EQ(pHost->HasHotplug(), libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0);
    EXPECT_TRUE(pHost->GetCameras().empty());
    EXPECT_TRUE(pHost->GetCameras().empty()) << "asked again";
    EXPECT_FALSE(CDeviceHandle(m_Devices, "\\\\.\\Lorvidex07-0").IsValid());
    pHost.reset(); // deregisters hot-plug, ends the event thread and libusb
    EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);
}

TEST_F(LibusbHost, StartsAndEndsRepeatedlyAndSideBySide)
{
    for (int i = 0; i < 10; ++i) {
        std::unique_ptr<IUsbCameraHost> pFirst = StartHost();
        std::unique_ptr<IUsbCameraHost> pSecond = CreateLibusbCameraHost(m_Pnp, kNoSuchCamera);
        if (!NT_SUCCESS(pFirst->GetStatus()))
            GTEST_SKIP() << "libusb cannot start on this machine";
        EXPECT_TRUE(pSecond->GetCameras().empty());
        if (i % 2)
            pFirst.reset(); // either may end first
    }
}

TEST(UsbCameraIds, HexIdsWithOrWithoutPrefixAndTheirDefaults)
{
    WORD nId = 0;
    EXPECT_TRUE(ParseUsbId("04b4", &nId));
    EXPECT_EQ(nId, 0x04B4);
    EXPECT_TRUE(ParseUsbId("0x8613", &nId));
    EXPECT_EQ(nId, 0x8613);
    EXPECT_TRUE(ParseUsbId("F", &nId));
    EXPECT_EQ(nId, 0x000F);
    for (const char* szBad : {"", "0x", "12345", "04b4 ", "g000", "-1", "0x0x1"}) {
        nId = 0x1234;
        EXPECT_FALSE(ParseUsbId(szBad, &nId)) << '"' << szBad << '"';
        EXPECT_EQ(nId, 0x1234) << "unchanged after \"" << szBad << '"';
    }
    EXPECT_FALSE(ParseUsbId(nullptr, &nId));

    USB_CAMERA_IDS ids = MakeUsbCameraIds(nullptr, "");
    EXPECT_EQ(ids.VendorId, USB_CAMERA_DEFAULT_VENDOR_ID);
    EXPECT_EQ(ids.ProductId, USB_CAMERA_DEFAULT_PRODUCT_ID);
    ids = MakeUsbCameraIds("1d6b", "0x0104");
    EXPECT_EQ(ids.VendorId, 0x1D6B);
    EXPECT_EQ(ids.ProductId, 0x0104);
    ids = MakeUsbCameraIds("camera", "0104");
    EXPECT_EQ(ids.VendorId, USB_CAMERA_DEFAULT_VENDOR_ID) << "a value that is no id gives the default";
    EXPECT_EQ(ids.ProductId, 0x0104);
}

} // namespace
