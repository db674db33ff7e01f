// The driver's life with its cameras: device indices, opening before and after the start,
// firmware download at every start, stop, orderly and surprise removal, capabilities, power;
// over the simulated bus and through the libusb back end where the back end's hot-plug
// allows (it starts every camera that arrives).
#include "driver_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kImageRecords = 58 + 321;

class DriverLifecycle : public DriverTestOnBuses<> {};
// What only the simulated bus can do: cameras added but not started, faults before the start.
class DriverLifecycleSimulated : public DriverTest {};

TEST_P(DriverLifecycle, CamerasTakeTheLowestFreeIndexAndANinthFails)
{
    std::vector<CCameraPlug> plugs;
    for (int n = 0; n < 8; ++n) {
        plugs.push_back(Plug());
        ASSERT_EQ(plugs.back().GetStatus(), STATUS_SUCCESS) << "camera " << n;
        EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(n).c_str()).IsValid()) << "camera " << n;
    }
    CCameraPlug ninth = Plug();
    EXPECT_FALSE(ninth.IsPlugged());
    EXPECT_EQ(ninth.GetStatus(), IsLibusb() ? STATUS_UNSUCCESSFUL : STATUS_OBJECT_NAME_COLLISION)
        << "through libusb the back end tells only that it could not add the camera";

    plugs[1].Remove();
    EXPECT_FALSE(CDeviceHandle(m_Devices, CameraPath(1).c_str()).IsValid());
    CCameraPlug again = Plug();
    EXPECT_EQ(again.GetStatus(), STATUS_SUCCESS);
    EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(1).c_str()).IsValid()) << "index 1 is free again";
}

TEST_F(DriverLifecycleSimulated, OpensFailUntilTheStartHasSucceeded)
{
    CCameraPlug plug = Plug(false);
    ASSERT_TRUE(plug.IsPlugged());
    CDeviceHandle early(m_Devices, CameraPath(0).c_str());
    EXPECT_EQ(early.GetOpenStatus(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(plug.Camera().GetStats().nFirmwareRecords, 0u);

    ASSERT_EQ(plug.Start(), STATUS_SUCCESS);
    EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(0).c_str()).IsValid());
    EXPECT_EQ(plug.Camera().GetProgram(), SIM_PROGRAM::CameraFirmware);

    // A camera removed before it ever started leaves its name free as well.
    CCameraPlug unstarted = Plug(false);
    unstarted.Remove();
    CCameraPlug next = Plug();
    EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(1).c_str()).IsValid());
}

TEST_P(DriverLifecycle, EveryStartDownloadsBothImagesAndStopUnconfigures)
{
    CCameraPlug plug = Plug();
    std::vector<SIM_EVENT> events = plug.Camera().TakeEvents();
    ASSERT_GE(events.size(), 4u);
    // Held in reset through both reset registers first, released through both last.
    EXPECT_EQ(events[0].nValue, 0x7F92);
    EXPECT_EQ(events[1].nValue, 0xE600);
    EXPECT_EQ(events[events.size() - 1].nValue, 0xE600);
    EXPECT_EQ(plug.Camera().GetStats().nFirmwareRecords, kImageRecords);
    EXPECT_EQ(plug.Camera().GetStats().nFirmwareBytes, 784u + 4012u);

    CDeviceHandle device(m_Devices, CameraPath(0).c_str());
    ASSERT_EQ(plug.Stop(), STATUS_SUCCESS);
    EXPECT_EQ(SendCommand(device, CamBuildCommand(CAM_CMD_INIT)), STATUS_UNSUCCESSFUL) << "no pipes while stopped";
    BYTE info[128];
    DWORD nReturned = 99;
    EXPECT_EQ(device.IoControl(IOCTL_CAM_GET_PIPE_INFO, nullptr, 0, info, sizeof info, &nReturned), STATUS_SUCCESS);
    EXPECT_EQ(nReturned, 0u);
    EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(0).c_str()).IsValid()) << "a stopped camera stays started";

    ASSERT_EQ(plug.Start(), STATUS_SUCCESS);
    EXPECT_EQ(plug.Camera().GetStats().nFirmwareRecords, 2 * kImageRecords);
    EXPECT_EQ(SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 300)), STATUS_SUCCESS);
    EXPECT_EQ(plug.Camera().PeekRegister(CAM_REG_EXPOSURE), 300);
}

TEST_P(DriverLifecycle, RemovalRefusesNewRequestsAndWaitsForThoseInside)
{
    CCameraPlug plug = Plug();
    CDeviceHandle busy(m_Devices, CameraPath(0).c_str());
    CDeviceHandle other(m_Devices, CameraPath(0).c_str());
    plug.Camera().HoldCommands(true);
    std::atomic<NTSTATUS> nBusyStatus{STATUS_PENDING};
    std::thread requester([&] { nBusyStatus = SendCommand(busy, CamBuildWriteRegister(CAM_REG_GLOBAL_GAIN, 40)); });
    ASSERT_TRUE(plug.Camera().WaitForHeldCommand(5000));

    std::atomic<bool> bRemoved{false};
    std::thread remover([&] {
        plug.Remove();
        bRemoved = true;
    });
    NTSTATUS nStatus = STATUS_SUCCESS;
    for (int i = 0; i < 1000 && (nStatus = other.IoControl(IOCTL_CAM_NOP, nullptr, 0, nullptr, 0)) == STATUS_SUCCESS; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(nStatus, STATUS_DELETE_PENDING);
    EXPECT_FALSE(bRemoved) << "removal waits for the request inside the driver";
    EXPECT_EQ(nBusyStatus, STATUS_PENDING);

    plug.Camera().HoldCommands(false);
    remover.join();
    requester.join();
    EXPECT_TRUE(bRemoved);
    EXPECT_EQ(nBusyStatus, STATUS_SUCCESS);
    EXPECT_EQ(plug.Camera().PeekRegister(CAM_REG_GLOBAL_GAIN), 40);
    EXPECT_EQ(busy.IoControl(IOCTL_CAM_NOP, nullptr, 0, nullptr, 0), STATUS_DELETE_PENDING);
    EXPECT_FALSE(CDeviceHandle(m_Devices, CameraPath(0).c_str()).IsValid());
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 0u);
}

TEST_P(DriverLifecycle, SurpriseRemovalEndsOpenHandlesAndFreesTheName)
{
    CCameraPlug plug = Plug();
    CDeviceHandle device(m_Devices, CameraPath(0).c_str());
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 2u)
        << "the device descriptor and the pipe table";
    EXPECT_EQ(plug.Unplug(), STATUS_SUCCESS);
    EXPECT_FALSE(plug.IsPlugged());
    EXPECT_EQ(SendCommand(device, CamBuildCommand(CAM_CMD_INIT)), STATUS_DELETE_PENDING);
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(MakePoolTag('W', 'd', 'm', ' ')), 0u);
    CCameraPlug replacement = Plug();
    EXPECT_TRUE(CDeviceHandle(m_Devices, CameraPath(0).c_str()).IsValid());
}

TEST_P(DriverLifecycle, CapabilitiesAllowSurpriseRemovalAndPowerPassesThrough)
{
    CCameraPlug plug = Plug();
    DEVICE_CAPABILITIES caps;
    ASSERT_EQ(plug.QueryCapabilities(&caps), STATUS_SUCCESS);
    EXPECT_EQ(caps.SurpriseRemovalOK, 1);
    EXPECT_EQ(caps.Removable, 1) << "filled in by the bus below";
    DEVICE_CAPABILITIES unversioned;
    unversioned.Version = 0;
    plug.QueryCapabilities(&unversioned);
    EXPECT_EQ(unversioned.SurpriseRemovalOK, 0) << "only passed down";
    EXPECT_EQ(plug.SetPower(PowerDeviceD3), STATUS_SUCCESS);
    EXPECT_EQ(plug.SetPower(PowerDeviceD0), STATUS_SUCCESS);
}

TEST_F(DriverLifecycleSimulated, ACameraWithoutFirmwareStartsButAnswersNothing)
{
    CCameraPlug plug = Plug(false);
    plug.Camera().SetNoFirmware(true);
    ASSERT_EQ(plug.Start(), STATUS_SUCCESS) << "the start status is the descriptor's and the configuration's";
    EXPECT_EQ(plug.Camera().GetStats().nFirmwareRecords, kImageRecords);
    CDeviceHandle device(m_Devices, CameraPath(0).c_str());
    EXPECT_EQ(SendCommand(device, CamBuildCommand(CAM_CMD_INIT)), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(LastUsbStatus(device), static_cast<DWORD>(USBD_STATUS_STALL_PID));
}

TEST_F(DriverLifecycleSimulated, ADriverWhoseFirmwareFolderIsBadDoesNotLoad)
{
    ::setenv("VEXILO_FIRMWARE_DIR", "/nonexistent/vexilo-firmware", 1);
    CPnpManager pnp(m_Devices, &DriverEntry);
    ::unsetenv("VEXILO_FIRMWARE_DIR");
    EXPECT_EQ(pnp.GetDriverStatus(), STATUS_OBJECT_NAME_NOT_FOUND);
    CSimCamera camera(Options());
    CSimUsbBus bus(camera);
    ULONG nNode = 0;
    EXPECT_EQ(pnp.AddDevice(bus, &nNode), STATUS_OBJECT_NAME_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(Buses, DriverLifecycle, kBothBuses, CameraBusName);

} // namespace
