#include "app/shell/core/camera_backend.h"

#include "driver/lorvidex07_drv.h"
#include "platform/log.h"

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
        bool bNamed = false;
        const USB_CAMERA_IDS ids = GetUsbCameraIds(&bNamed);
        if (kind == ECameraBackendKind::Automatic && !bNamed) {
            // Nobody chose these devices: they are listed, and nothing is downloaded into them.
            ListLibusbDevices(ids, &m_UntakenUsb);
            if (!m_UntakenUsb.empty())
                LogLine(ELogCategory::Usb,
                        "%zu device(s) %04x:%04x not taken: the default ids of an unprogrammed microcontroller "
                        "(--camera usb, or VEXILO_USB_VID and VEXILO_USB_PID, take them)",
                        m_UntakenUsb.size(), ids.VendorId, ids.ProductId);
            m_Kind = ECameraBackendKind::None;
            return;
        }
        m_pUsbHost = CreateLibusbCameraHost(m_Pnp, ids);
        // The cameras attached now are added and started on the host's own thread: waited
        // for, so that the camera library finds them when it looks right after this.
        const bool bFound = NT_SUCCESS(m_pUsbHost->GetStatus()) && !m_pUsbHost->GetCameras().empty();
        // Automatic keeps the USB back end only when it found a camera at start.
        if (kind == ECameraBackendKind::Automatic) {
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
