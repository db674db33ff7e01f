#include "app/shell/core/camera_backend.h"

#include "driver/lorvidex07_drv.h"

bool ParseCameraBackend(const std::string& szName, ECameraBackendKind& kind)
{
    if (szName.empty()) {
        kind = ECameraBackendKind::Automatic;
        return true;
    }
    if (szName == "none") {
        kind = ECameraBackendKind::None;
        return true;
    }
    if (szName == "sim") {
        kind = ECameraBackendKind::Simulated;
        return true;
    }
    if (szName == "usb") {
        kind = ECameraBackendKind::Usb;
        return true;
    }
    return false;
}

CCameraBackend::CCameraBackend(ECameraBackendKind kind) : m_Pnp(m_Devices, &DriverEntry), m_SimBus(m_Pnp), m_Kind(kind)
{
    if (kind == ECameraBackendKind::Simulated) {
        m_SimCameras.push_back(m_SimBus.PlugSimulatedCamera());
    } else if (kind == ECameraBackendKind::Usb || kind == ECameraBackendKind::Automatic) {
        m_pUsbHost = CreateLibusbCameraHost(m_Pnp, GetUsbCameraIds());
        // Automatic keeps the USB back end only when it found a camera at start.
        if (kind == ECameraBackendKind::Automatic) {
            const bool bFound = NT_SUCCESS(m_pUsbHost->GetStatus()) && !m_pUsbHost->GetCameras().empty();
            m_Kind = bFound ? ECameraBackendKind::Usb : ECameraBackendKind::None;
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
