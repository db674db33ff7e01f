// Choosing where cameras come from: the names of the kinds, the default that takes real
// cameras only when one is attached, and the USB kind that stays for cameras plugged in later.
#include "app/shell/core/camera_backend.h"

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
    static bool CanOpenCamera0(CCameraBackend& backend)
    {
        return CDeviceHandle(backend.Devices(), "\\\\.\\Lorvidex07-0").IsValid();
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

} // namespace
