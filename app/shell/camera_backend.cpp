#include "app/shell/camera_backend.h"

#include "driver/lorvidex07_drv.h"

bool ParseCameraBackend(const std::string& szName, CameraBackendKind& kind)
{
    if (szName.empty() || szName == "none") {
        kind = CameraBackendKind::None;
        return true;
    }
    if (szName == "sim") {
        kind = CameraBackendKind::Simulated;
        return true;
    }
    return false;
}

CCameraBackend::CCameraBackend(CameraBackendKind kind) : m_Pnp(m_Devices, &DriverEntry), m_SimBus(m_Pnp)
{
    if (kind == CameraBackendKind::Simulated)
        m_SimCameras.push_back(m_SimBus.PlugSimulatedCamera());
}

CCameraBackend::~CCameraBackend()
{
    m_SimCameras.clear();
}
