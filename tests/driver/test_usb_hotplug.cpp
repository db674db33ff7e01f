// Hot-plug through the plug and play manager, with simulated cameras standing in for the
// devices a USB library reports: arrival adds and starts, departure removes, and both may
// come from other threads while handles are in use and a stream runs (also under
// ThreadSanitizer).
#include "iso_test_support.h"

#include "driver/usb_hotplug.h"
#include "simcam/sim_usb_bus.h"

#include <atomic>
#include <map>
#include <mutex>

namespace {

// Devices by key: the test plugs a simulated camera under a key, then reports it.
class CSimDeviceSource : public IUsbDeviceSource {
public:
    CSimCamera& Plug(std::uintptr_t nKey, bool bOpenable = true)
    {
        std::lock_guard lock(m_Mutex);
        auto& pCamera = m_Cameras[nKey];
        SIM_CAMERA_OPTIONS options;
        options.bPaced = false;
        options.pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
        pCamera = std::make_unique<CSimCamera>(options);
        m_Openable[nKey] = bOpenable;
        return *pCamera;
    }
    int Released(std::uintptr_t nKey)
    {
        std::lock_guard lock(m_Mutex);
        return m_Released[nKey];
    }

    std::unique_ptr<IUsbBus> OpenDevice(std::uintptr_t nKey) override
    {
        std::lock_guard lock(m_Mutex);
        if (!m_Openable[nKey])
            return nullptr;
        return std::make_unique<CSimUsbBus>(*m_Cameras.at(nKey));
    }
    void ReleaseDevice(std::uintptr_t nKey) override
    {
        std::lock_guard lock(m_Mutex);
        ++m_Released[nKey];
    }

private:
    std::mutex m_Mutex; // the test's thread and the hot-plug thread
    std::map<std::uintptr_t, std::unique_ptr<CSimCamera>> m_Cameras;
    std::map<std::uintptr_t, bool> m_Openable;
    std::map<std::uintptr_t, int> m_Released;
};

class UsbHotplug : public DriverTest {
protected:
    bool CanOpen(int n) { return CDeviceHandle(m_Devices, CameraPath(n).c_str()).IsValid(); }

    CSimDeviceSource m_Source; // outlives the hot-plug object
    std::unique_ptr<CUsbHotplug> m_pHotplug = std::make_unique<CUsbHotplug>(m_Pnp, m_Source);
};

TEST_F(UsbHotplug, ArrivalAddsAndStartsTheCameraDepartureRemovesIt)
{
    CSimCamera& camera = m_Source.Plug(7);
    m_pHotplug->DeviceArrived(7);
    m_pHotplug->WaitUntilIdle();
    std::vector<USB_HOTPLUG_DEVICE> devices = m_pHotplug->GetDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].nStartStatus, STATUS_SUCCESS);
    EXPECT_EQ(camera.GetProgram(), SIM_PROGRAM::CameraFirmware) << "the start downloaded the firmware";
    EXPECT_TRUE(CanOpen(0));

    camera.Unplug(); // the device is gone before its departure is reported
    m_pHotplug->DeviceLeft(7);
    m_pHotplug->WaitUntilIdle();
    EXPECT_TRUE(m_pHotplug->GetDevices().empty());
    EXPECT_FALSE(CanOpen(0));
    EXPECT_EQ(m_Source.Released(7), 1);
    m_pHotplug->DeviceLeft(7); // reported again: nothing to do
    m_pHotplug->WaitUntilIdle();
    EXPECT_EQ(m_Source.Released(7), 1);
}

TEST_F(UsbHotplug, DevicesThatCannotBeOpenedOrAreReportedTwiceAreReleased)
{
    m_Source.Plug(1, false);
    m_Source.Plug(2);
    m_pHotplug->DeviceArrived(1);
    m_pHotplug->DeviceArrived(2);
    m_pHotplug->DeviceArrived(2);
    m_pHotplug->WaitUntilIdle();
    ASSERT_EQ(m_pHotplug->GetDevices().size(), 1u);
    EXPECT_EQ(m_Source.Released(1), 1) << "could not be opened";
    EXPECT_EQ(m_Source.Released(2), 1) << "the second report";
    EXPECT_TRUE(CanOpen(0));
    EXPECT_FALSE(CanOpen(1));
}

TEST_F(UsbHotplug, TheEndRemovesTheCamerasStillPresent)
{
    m_Source.Plug(1);
    m_Source.Plug(2);
    m_pHotplug->DeviceArrived(1);
    m_pHotplug->DeviceArrived(2);
    m_pHotplug->WaitUntilIdle();
    ASSERT_TRUE(CanOpen(1));
    CDeviceHandle held(m_Devices, CameraPath(1).c_str());
    m_pHotplug.reset();
    EXPECT_FALSE(CanOpen(0));
    EXPECT_FALSE(CanOpen(1));
    EXPECT_EQ(SendCommand(held, CamBuildCommand(CAM_CMD_INIT)), STATUS_DELETE_PENDING)
        << "a handle kept open answers as one of a removed device";
    EXPECT_EQ(m_Source.Released(1), 1);
    EXPECT_EQ(m_Source.Released(2), 1);
}

TEST_F(UsbHotplug, DepartureWhileAStreamRunsStopsItFirst)
{
    CSimCamera& camera = m_Source.Plug(5);
    m_pHotplug->DeviceArrived(5);
    m_pHotplug->WaitUntilIdle();
    {
        CDeviceHandle device(m_Devices, CameraPath(0).c_str());
        const BYTE setting[2] = {0, SIM_ISO_ALTERNATE_SETTING};
        ASSERT_EQ(device.IoControl(IOCTL_CAM_SELECT_INTERFACE, setting, 2, nullptr, 0), STATUS_SUCCESS);
        const ISO_INPUT input{kIsoInPipe, 256, 64, 4, 3};
        ASSERT_EQ(device.IoControl(IOCTL_CAM_START_ISO_STREAM, &input, sizeof input, nullptr, 0), STATUS_SUCCESS);
    }
    ASSERT_TRUE(Eventually([&] { return camera.GetIsoStats().nTransfers >= 3; }));
    camera.Unplug();
    m_pHotplug->DeviceLeft(5);
    m_pHotplug->WaitUntilIdle();
    EXPECT_EQ(m_Pnp.GetKernel().Pool.GetOutstandingBlocks(kDriverTag), 0u);
}

TEST_F(UsbHotplug, CamerasComeAndGoFromOtherThreadsWhileHandlesAreInUse)
{
    constexpr int kCycles = 6;
    std::atomic<bool> bDone{false};
    std::atomic<int> nCommands{0};
    std::vector<std::thread> plugging;
    for (std::uintptr_t nKey = 1; nKey <= 2; ++nKey) {
        plugging.emplace_back([&, nKey] {
            for (int i = 0; i < kCycles; ++i) {
                CSimCamera& camera = m_Source.Plug(nKey * 100 + static_cast<std::uintptr_t>(i));
                m_pHotplug->DeviceArrived(nKey * 100 + static_cast<std::uintptr_t>(i));
                m_pHotplug->WaitUntilIdle();
                camera.Unplug();
                m_pHotplug->DeviceLeft(nKey * 100 + static_cast<std::uintptr_t>(i));
            }
        });
    }
    std::thread user([&] {
        while (!bDone) {
            for (int n = 0; n < 2; ++n) {
                CDeviceHandle device(m_Devices, CameraPath(n).c_str());
                if (device.IsValid() && SendCommand(device, CamBuildWriteRegister(CAM_REG_EXPOSURE, 100)) ==
                                            STATUS_SUCCESS)
                    ++nCommands;
            }
        }
    });
    for (std::thread& thread : plugging)
        thread.join();
    m_pHotplug->WaitUntilIdle();
    bDone = true;
    user.join();
    EXPECT_TRUE(m_pHotplug->GetDevices().empty());
    EXPECT_EQ(m_Devices.GetOpenHandleCount(), 0u);
    for (std::uintptr_t nKey : {100u, 105u, 200u, 205u})
        EXPECT_EQ(m_Source.Released(nKey), 1) << nKey;
}

} // namespace
