// Where the program's cameras come from: the device namespace the camera library
// opens them in, the driver under its plug and play manager, and the simulated
// cameras plugged in at start when asked for.
#pragma once

#include "driver/pnp_manager.h"
#include "platform/devio.h"
#include "simcam/sim_camera_bus.h"

#include <string>
#include <vector>

enum class CameraBackendKind {
    None,      // no camera: pictures can still be opened and measured
    Simulated, // one simulated camera
};

// "sim" or "none" (also "" for none). FALSE for anything else.
bool ParseCameraBackend(const std::string& szName, CameraBackendKind& kind);

class CCameraBackend {
public:
    explicit CCameraBackend(CameraBackendKind kind);
    ~CCameraBackend();
    CCameraBackend(const CCameraBackend&) = delete;
    CCameraBackend& operator=(const CCameraBackend&) = delete;

    CDeviceNamespace& Devices() { return m_Devices; }
    // The simulated cameras plugged in (empty for other kinds).
    std::vector<CSimCameraPlug>& SimulatedCameras() { return m_SimCameras; }

private:
    // Destroyed in reverse: the cameras first, the namespace last.
    CDeviceNamespace m_Devices;
    CPnpManager m_Pnp;
    CSimCameraBus m_SimBus;
    std::vector<CSimCameraPlug> m_SimCameras;
};
