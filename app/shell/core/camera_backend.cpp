#include "app/shell/core/camera_backend.h"

#include "driver/lorvidex07_drv.h"

bool ParseCameraBackend(const std::string& szName, CameraBackendKind& kind)
{
    if (szName.empty()) {
        kind = CameraBackendKind::Automatic;
        return true;
    }
    if (szName == "none") {
        kind = CameraBackendKind::None;
        return true;
    }
    if (szName == "sim") {
        kind = CameraBackendKind::Simulated;
        return true;
    }
    if (szName == "usb") {
        kind = CameraBackendKind::Usb;
        return true;
    }
    return false;
}

CCameraBackend::CCameraBackend(CameraBackendKind kind) : m_Pnp(m_Devices, &DriverEntry), m_SimBus(m_Pnp), m_Kind(kind)
{
    if (kind == CameraBackendKind::Simulated) {
        m_SimCameras.push_back(m_SimBus.PlugSimulatedCamera());
    } else if (kind == CameraBackendKind::Usb || kind == CameraBackendKind::Automatic) {
        m_pUsbHost = CreateLibusbCameraHost(m_Pnp, GetUsbCameraIds());
        // Automatic keeps the USB back end only when it found a camera at start.
        if (kind == CameraBackendKind::Automatic) {
            const bool bFound = NT_SUCCESS(m_pUsbHost->GetStatus()) && !m_pUsbHost->GetCameras().empty();
            m_Kind = bFound ? CameraBackendKind::Usb : CameraBackendKind::None;
            if (!bFound)
                m_pUsbHost.reset();
        }
    }
}

CCameraBackend::~CCameraBackend()
{
    m_pUsbHost.reset();
    m_SimCameras.clear();
}
