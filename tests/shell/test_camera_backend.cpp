// Choosing where cameras come from: the names of the kinds, the default that takes real
// cameras only when one is attached and leaves a blank board nobody chose alone, and the USB
// kind that stays for cameras plugged in later. USB devices come from the libusb stand-in.
#include "app/shell/core/camera_backend.h"

#include "simcam/sim_scene.h"
#include "tests/libusb_standin/standin_usb_bus.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(CameraBackend, KindNames)
{
    ECameraBackendKind kind = ECameraBackendKind::None;
    EXPECT_TRUE(ParseCameraBackend("", kind));
    EXPECT_EQ(kind, ECameraBackendKind::Automatic) << "no choice: real cameras if any";
    EXPECT_TRUE(ParseCameraBackend("usb", kind));
    EXPECT_EQ(kind, ECameraBackendKind::Usb);
    EXPECT_TRUE(ParseCameraBackend("sim", kind));
    EXPECT_EQ(kind, ECameraBackendKind::Simulated);
    EXPECT_TRUE(ParseCameraBackend("none", kind));
    EXPECT_EQ(kind, ECameraBackendKind::None);
    for (const char* szBad : {"USB", "real", "auto", " sim"})
        EXPECT_FALSE(ParseCameraBackend(szBad, kind)) << szBad;
}

// The USB back end looks for ids that no device has, so that a camera attached to the
// machine running the tests is left alone.
class CameraBackendWithoutCameras : public ::testing::Test {
public:
    static bool CanOpenCamera0(CCameraBackend& backend)
    {
        return CDeviceHandle(backend.Devices(), "\\\\.\\Lorvidex07-0").IsValid();
    }

protected:
    void SetUp() override
    {
        ::setenv("VEXILO_USB_VID", "f055", 1);
        ::setenv("VEXILO_USB_PID", "fffe", 1);
    }
    void TearDown() override
    {
        ::unsetenv("VEXILO_USB_VID");
        ::unsetenv("VEXILO_USB_PID");
    }
};

TEST_F(CameraBackendWithoutCameras, TheDefaultFallsBackToNone)
{
    CCameraBackend backend(ECameraBackendKind::Automatic);
    EXPECT_EQ(backend.Kind(), ECameraBackendKind::None);
    EXPECT_EQ(backend.UsbCameras(), nullptr);
    EXPECT_FALSE(CanOpenCamera0(backend));
}

TEST_F(CameraBackendWithoutCameras, UsbStaysForCamerasPluggedInLater)
{
    CCameraBackend backend(ECameraBackendKind::Usb);
    EXPECT_EQ(backend.Kind(), ECameraBackendKind::Usb);
    ASSERT_NE(backend.UsbCameras(), nullptr);
    EXPECT_TRUE(backend.UsbCameras()->GetCameras().empty());
    EXPECT_FALSE(CanOpenCamera0(backend));
    EXPECT_TRUE(backend.SimulatedCameras().empty());
}

TEST_F(CameraBackendWithoutCameras, SimulatedStaysSimulated)
{
    CCameraBackend backend(ECameraBackendKind::Simulated);
    EXPECT_EQ(backend.Kind(), ECameraBackendKind::Simulated);
    EXPECT_EQ(backend.UsbCameras(), nullptr);
    EXPECT_TRUE(CanOpenCamera0(backend));
}

// A board with the default ids: the camera's microcontroller before its firmware, or any
// other board built on the same chip.
class CameraBackendWithABlankBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv(USB_VENDOR_ID_VARIABLE);
        ::unsetenv(USB_PRODUCT_ID_VARIABLE);
        STANDIN_DEVICE_OPTIONS options;
        options.Camera.bPaced = false;
        options.Camera.pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
        options.nVendorId = USB_CAMERA_DEFAULT_VENDOR_ID;
        options.nProductId = USB_CAMERA_DEFAULT_PRODUCT_ID;
        m_nPort = m_Usb.Plug(options);
    }
    void TearDown() override
    {
        ::unsetenv(USB_VENDOR_ID_VARIABLE);
        ::unsetenv(USB_PRODUCT_ID_VARIABLE);
        EXPECT_TRUE(m_Usb.TakeMisuses().empty());
    }
    DWORD FirmwareRecords() const { return m_Usb.Camera(m_nPort).GetStats().nFirmwareRecords; }

    CStandinUsbBus m_Usb;
    unsigned m_nPort = 0;
};

TEST_F(CameraBackendWithABlankBoard, TheDefaultListsItButGivesItNoFirmware)
{
    CCameraBackend backend(ECameraBackendKind::Automatic);
    EXPECT_EQ(backend.Kind(), ECameraBackendKind::None);
    EXPECT_EQ(backend.UsbCameras(), nullptr);
    ASSERT_EQ(backend.UntakenUsbDevices().size(), 1u);
    EXPECT_EQ(backend.UntakenUsbDevices()[0].VendorId, USB_CAMERA_DEFAULT_VENDOR_ID);
    EXPECT_EQ(backend.UntakenUsbDevices()[0].ProductId, USB_CAMERA_DEFAULT_PRODUCT_ID);
    EXPECT_FALSE(CameraBackendWithoutCameras::CanOpenCamera0(backend));
    EXPECT_EQ(FirmwareRecords(), 0u);
    EXPECT_EQ(m_Usb.GetStats().nContexts, 0u) << "libusb was only asked for its list";
}

TEST_F(CameraBackendWithABlankBoard, NamedIdsOrTheUsbChoiceTakeIt)
{
    {
        CCameraBackend backend(ECameraBackendKind::Usb);
        EXPECT_EQ(backend.Kind(), ECameraBackendKind::Usb);
        EXPECT_TRUE(backend.UntakenUsbDevices().empty());
        // At once: the camera attached at the start is there when the camera library looks.
        EXPECT_TRUE(CameraBackendWithoutCameras::CanOpenCamera0(backend));
    }
    const DWORD nOneDownload = FirmwareRecords();
    EXPECT_GT(nOneDownload, 0u);

    ::setenv(USB_VENDOR_ID_VARIABLE, "04b4", 1);
    ::setenv(USB_PRODUCT_ID_VARIABLE, "8613", 1);
    CCameraBackend backend(ECameraBackendKind::Automatic);
    EXPECT_EQ(backend.Kind(), ECameraBackendKind::Usb) << "ids named on purpose";
    EXPECT_TRUE(CameraBackendWithoutCameras::CanOpenCamera0(backend));
    EXPECT_EQ(FirmwareRecords(), 2 * nOneDownload);
}

} // namespace
