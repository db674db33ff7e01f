// Set-up shared by the driver tests: the device namespace, Lorvidex07Drv under its plug and
// play manager, the cameras over the simulated bus or through the libusb back end, and
// requests made the way the camera library makes them.
#pragma once

#include "camera_plug.h"

#include "driver/camera_protocol.h"
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "platform/devio.h"
#include "simcam/sim_camera_bus.h"
#include "simcam/sim_usb_descriptors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

inline std::string CameraPath(int n) { return "\\\\.\\Lorvidex07-" + std::to_string(n); }

inline NTSTATUS PipeTransfer(const CDeviceHandle& device, DWORD nCode, DWORD nPipe, void* pBuffer, DWORD nLength,
                             DWORD* pnReturned = nullptr)
{
    return device.IoControl(nCode, &nPipe, sizeof nPipe, pBuffer, nLength, pnReturned);
}

inline NTSTATUS SendCommand(const CDeviceHandle& device, CAM_MESSAGE message)
{
    return PipeTransfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, message.data(), CAM_MESSAGE_SIZE);
}

inline NTSTATUS ReadReply(const CDeviceHandle& device, CAM_MESSAGE* pReply)
{
    return PipeTransfer(device, IOCTL_CAM_PIPE_READ, CAM_PIPE_REPLY, pReply->data(), CAM_MESSAGE_SIZE);
}

inline NTSTATUS SetTimeout(const CDeviceHandle& device, DWORD nSelector, LONG nMilliseconds)
{
    const DWORD input[2] = {nSelector, static_cast<DWORD>(nMilliseconds)};
    return device.IoControl(IOCTL_CAM_SET_TIMEOUT, input, sizeof input, nullptr, 0);
}

inline DWORD LastUsbStatus(const CDeviceHandle& device)
{
    DWORD nStatus = 0;
    device.IoControl(IOCTL_CAM_GET_LAST_USB_STATUS, nullptr, 0, &nStatus, sizeof nStatus);
    return nStatus;
}

// Polls until the condition holds; FALSE after five seconds.
template <class TCondition>
bool Eventually(TCondition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Declares the namespace, the manager and the buses in the order they must be destroyed in
// reverse; plugs and handles made in a test body go before them. Cameras come over the
// simulated bus unless m_eBus says otherwise (DriverTestOnBuses).
class DriverTest : public ::testing::Test {
protected:
    SIM_CAMERA_OPTIONS Options(bool bPaced = false) const
    {
        SIM_CAMERA_OPTIONS options;
        options.bPaced = bPaced;
        options.pScene = m_pScene;
        return options;
    }
    // Over the libusb back end a camera is always started: the host starts what arrives.
    CCameraPlug Plug(bool bStart = true, bool bPaced = false) { return PlugWith(Options(bPaced), bStart); }
    CCameraPlug PlugWith(const SIM_CAMERA_OPTIONS& options, bool bStart = true)
    {
        if (!IsLibusb())
            return CCameraPlug(m_Bus.PlugSimulatedCamera(options, bStart));
        EXPECT_TRUE(bStart) << "the libusb back end starts every camera that arrives";
        STANDIN_DEVICE_OPTIONS device;
        device.Camera = options;
        return CCameraPlug(LIBUSB_RIG{&m_Pnp, &m_Standin, &Host()}, device);
    }
    bool IsLibusb() const { return m_eBus == ECameraBus::Libusb; }
    // The libusb back end over the stand-in, watching for the simulated cameras' ids; started
    // when first asked for.
    IUsbCameraHost& Host()
    {
        if (!m_pHost) {
            m_pHost = CreateLibusbCameraHost(m_Pnp, USB_CAMERA_IDS{SIM_VENDOR_ID, SIM_PRODUCT_ID});
            EXPECT_EQ(m_pHost->GetStatus(), STATUS_SUCCESS);
        }
        return *m_pHost;
    }
    // Ends the libusb back end; what it held must then be given back to libusb.
    void EndHost()
    {
        m_pHost.reset();
        const STANDIN_STATS stats = m_Standin.GetStats();
        EXPECT_EQ(stats.nContexts, 0u);
        EXPECT_EQ(stats.nTransfers, 0u) << "transfers not freed";
        EXPECT_TRUE(m_Standin.TakeMisuses().empty());
    }
    void TearDown() override
    {
        if (m_pHost)
            EndHost();
    }

    ECameraBus m_eBus = ECameraBus::Simulated;
    std::shared_ptr<const CSimRadiance> m_pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp{m_Devices, &DriverEntry};
    CSimCameraBus m_Bus{m_Pnp};
    CStandinUsbBus m_Standin;
    std::unique_ptr<IUsbCameraHost> m_pHost;
};

// A driver test that runs over the simulated bus and through the libusb back end.
template <class TFixture = DriverTest>
class DriverTestOnBuses : public TFixture, public ::testing::WithParamInterface<ECameraBus> {
protected:
    DriverTestOnBuses() { this->m_eBus = GetParam(); }
};

// The buses a DriverTestOnBuses runs over: INSTANTIATE_TEST_SUITE_P(Buses, Suite, kBothBuses, CameraBusName).
inline const auto kBothBuses = ::testing::Values(ECameraBus::Simulated, ECameraBus::Libusb);
