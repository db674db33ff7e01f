// Set-up shared by the driver tests: the device namespace, Lorvidex07Drv under its plug and
// play manager, the simulated camera bus, and requests made the way the camera library makes them.
#pragma once

#include "driver/camera_protocol.h"
#include "driver/lorvidex07_drv.h"
#include "driver/pnp_manager.h"
#include "platform/devio.h"
#include "simcam/sim_camera_bus.h"

#include <gtest/gtest.h>

#include <string>

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

// Declares the namespace, the manager and the bus in the order they must be destroyed in
// reverse; plugs and handles made in a test body go before them.
class DriverTest : public ::testing::Test {
protected:
    SIM_CAMERA_OPTIONS Options(bool bPaced = false) const
    {
        SIM_CAMERA_OPTIONS options;
        options.bPaced = bPaced;
        options.pScene = m_pScene;
        return options;
    }
    CSimCameraPlug Plug(bool bStart = true, bool bPaced = false) { return m_Bus.PlugSimulatedCamera(Options(bPaced), bStart); }

    std::shared_ptr<const CSimRadiance> m_pScene = SimRenderScene(CSimUniformScene(0.5f, 0.5f, 0.5f));
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp{m_Devices, &DriverEntry};
    CSimCameraBus m_Bus{m_Pnp};
};
