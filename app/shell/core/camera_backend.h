// Where the program's cameras come from: the device namespace the camera library
// opens them in, the driver under its plug and play manager, and the cameras: simulated
// ones plugged in at start, or real ones that the USB back end finds and follows.
#pragma once

#include "driver/pnp_manager.h"
#include "driver/usb_libusb/usb_camera_host.h"
#include "platform/devio.h"
#include "simcam/sim_camera_bus.h"

#include <memory>
#include <string>
#include <vector>

enum class ECameraBackendKind {
    None,      // no camera: pictures can still be opened and measured
    Simulated, // one simulated camera
    Usb,       // real cameras through libusb, plugged in and out while the program runs
    Automatic, // real cameras when any is attached at start, otherwise none
};

// "sim", "usb", "none", or "" (the default: Automatic). FALSE for anything else.
bool ParseCameraBackend(const std::string& szName, ECameraBackendKind& kind);

class CCameraBackend {
public:
    explicit CCameraBackend(ECameraBackendKind kind);
    ~CCameraBackend();
    CCameraBackend(const CCameraBackend&) = delete;
    CCameraBackend& operator=(const CCameraBackend&) = delete;

    // The kind in use: Automatic has become Usb or None.
    ECameraBackendKind Kind() const { return m_Kind; }
    CDeviceNamespace& Devices() { return m_Devices; }
    // The simulated cameras plugged in (empty for other kinds).
    std::vector<CSimCameraPlug>& SimulatedCameras() { return m_SimCameras; }
    // The USB back end (null unless the kind is Usb).
    IUsbCameraHost* UsbCameras() { return m_pUsbHost.get(); }

private:
    // Destroyed in reverse: the cameras first, the namespace last.
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp;
    CSimCameraBus m_SimBus;
    std::vector<CSimCameraPlug> m_SimCameras;
    std::unique_ptr<IUsbCameraHost> m_pUsbHost;
    ECameraBackendKind m_Kind;
};
