// One simulated camera under the driver, reached either over the simulated USB bus or through
// the libusb back end (CreateLibusbCameraHost) and the libusb stand-in, so that the same test
// runs over both.
#pragma once

#include "driver/usb_libusb/usb_camera_host.h"
#include "simcam/sim_camera_bus.h"
#include "tests/libusb_standin/standin_usb_bus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

enum class ECameraBus { Simulated, Libusb };

inline std::string CameraBusName(const ::testing::TestParamInfo<ECameraBus>& info)
{
    return info.param == ECameraBus::Simulated ? "SimulatedBus" : "Libusb";
}

// What a camera plugged in through the libusb back end needs of its test.
struct LIBUSB_RIG {
    CPnpManager* pPnp = nullptr;
    CStandinUsbBus* pStandin = nullptr;
    IUsbCameraHost* pHost = nullptr;
};

// The operations of CSimCameraPlug over either bus. Through libusb the camera is a device on
// the stand-in's bus: plugging it in lets the back end's hot-plug add and start it, Unplug
// pulls it out (the back end sees it vanish and the departure), Remove and Start/Stop go to
// the plug and play manager as the host's own requests would. Each returns once the driver
// has done what it leads to. Destroying the plug removes the camera (orderly) and, through
// libusb, then pulls it out.
class CCameraPlug {
public:
    CCameraPlug() = default;
    explicit CCameraPlug(CSimCameraPlug simulated) : m_Simulated(std::move(simulated)) {}
    CCameraPlug(const LIBUSB_RIG& rig, const STANDIN_DEVICE_OPTIONS& options) : m_Rig(rig)
    {
        const std::vector<USB_HOTPLUG_DEVICE> before = m_Rig.pHost->GetCameras();
        m_nPort = m_Rig.pStandin->Plug(options);
        EXPECT_TRUE(m_Rig.pStandin->WaitForHotplugDelivery(5000)) << "the arrival was not delivered";
        for (const USB_HOTPLUG_DEVICE& device : m_Rig.pHost->GetCameras())
            if (std::none_of(before.begin(), before.end(), [&](const auto& old) { return old.nNode == device.nNode; })) {
                m_nNode = device.nNode;
                m_nStatus = device.nStartStatus;
            }
        if (!m_nNode)
            m_nStatus = STATUS_UNSUCCESSFUL; // the back end could not add it
    }
    ~CCameraPlug() { Release(); }
    CCameraPlug(CCameraPlug&& other) noexcept { *this = std::move(other); }
    CCameraPlug& operator=(CCameraPlug&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_Simulated = std::move(other.m_Simulated);
            m_Rig = other.m_Rig;
            m_nPort = std::exchange(other.m_nPort, 0);
            m_nNode = std::exchange(other.m_nNode, 0);
            m_nStatus = other.m_nStatus;
        }
        return *this;
    }
    CCameraPlug(const CCameraPlug&) = delete;
    CCameraPlug& operator=(const CCameraPlug&) = delete;

    bool IsLibusb() const { return m_nPort != 0; }
    bool IsPlugged() const { return IsLibusb() ? m_nNode != 0 : m_Simulated.IsPlugged(); }
    NTSTATUS GetStatus() const { return IsLibusb() ? m_nStatus : m_Simulated.GetStatus(); }
    CSimCamera& Camera() const { return IsLibusb() ? m_Rig.pStandin->Camera(m_nPort) : m_Simulated.Camera(); }
    // The simulated bus's adapter (only over the simulated bus).
    CSimUsbBus& UsbBus() const { return m_Simulated.UsbBus(); }
    unsigned Port() const { return m_nPort; }

    NTSTATUS Start() { return IsLibusb() ? NodeRequest(&CPnpManager::StartDevice) : m_Simulated.Start(); }
    NTSTATUS Stop() { return IsLibusb() ? NodeRequest(&CPnpManager::StopDevice) : m_Simulated.Stop(); }
    NTSTATUS Remove()
    {
        if (!IsLibusb())
            return m_Simulated.Remove();
        const NTSTATUS status = NodeRequest(&CPnpManager::RemoveDevice);
        m_nNode = 0;
        return status;
    }
    NTSTATUS Unplug()
    {
        if (!IsLibusb())
            return m_Simulated.Unplug();
        if (!IsPlugged())
            return STATUS_NO_SUCH_DEVICE;
        m_Rig.pStandin->Unplug(m_nPort);
        EXPECT_TRUE(m_Rig.pStandin->WaitForHotplugDelivery(5000)) << "the departure was not delivered";
        const std::vector<USB_HOTPLUG_DEVICE> devices = m_Rig.pHost->GetCameras(); // the removal is done
        const bool bGone =
            std::none_of(devices.begin(), devices.end(), [&](const auto& device) { return device.nNode == m_nNode; });
        m_nNode = 0;
        return bGone ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
    }
    NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES* pCapabilities)
    {
        if (!IsLibusb())
            return m_Simulated.QueryCapabilities(pCapabilities);
        return IsPlugged() ? m_Rig.pPnp->QueryCapabilities(m_nNode, pCapabilities) : STATUS_NO_SUCH_DEVICE;
    }
    NTSTATUS SetPower(DEVICE_POWER_STATE state)
    {
        if (!IsLibusb())
            return m_Simulated.SetPower(state);
        return IsPlugged() ? m_Rig.pPnp->SetDevicePower(m_nNode, state) : STATUS_NO_SUCH_DEVICE;
    }

private:
    NTSTATUS NodeRequest(NTSTATUS (CPnpManager::*pfnRequest)(ULONG))
    {
        return IsPlugged() ? (m_Rig.pPnp->*pfnRequest)(m_nNode) : STATUS_NO_SUCH_DEVICE;
    }
    void Release()
    {
        if (!IsLibusb())
            return;
        Remove();
        m_Rig.pStandin->Unplug(m_nPort); // the back end closes it on its own thread
        m_nPort = 0;
    }

    CSimCameraPlug m_Simulated;
    LIBUSB_RIG m_Rig;
    unsigned m_nPort = 0; // on the stand-in's bus; 0 over the simulated bus
    ULONG m_nNode = 0;    // the plug and play manager's name while the driver has it
    NTSTATUS m_nStatus = STATUS_NO_SUCH_DEVICE;
};
