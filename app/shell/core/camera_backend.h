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
    // Real cameras when any is attached at start, otherwise none. A device with the default
    // ids (those of the camera's microcontroller before its firmware, which any board built
    // on it has too) is only listed, not given firmware, unless the ids were named in
    // VEXILO_USB_VID / VEXILO_USB_PID; Usb takes it.
    Automatic,
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
    // The devices with the default ids that Automatic found and did not take.
    const std::vector<USB_DEVICE_FOUND>& UntakenUsbDevices() const { return m_UntakenUsb; }

private:
    // Destroyed in reverse: the cameras first, the namespace last.
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp;
    CSimCameraBus m_SimBus;
    std::vector<CSimCameraPlug> m_SimCameras;
    std::unique_ptr<IUsbCameraHost> m_pUsbHost;
    std::vector<USB_DEVICE_FOUND> m_UntakenUsb;
    ECameraBackendKind m_Kind;
};
