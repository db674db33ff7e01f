// The simulated cameras' bus: plugs simulated cameras in and out at run time through the
// plug and play manager, as the application does at start-up and tests do.
#pragma once

#include "driver/pnp_manager.h"
#include "simcam/sim_camera.h"
#include "simcam/sim_usb_bus.h"

#include <memory>
#include <mutex>

// One simulated camera on the bus. It is removed (orderly) when the plug is destroyed, which
// must happen before the plug and play manager goes. Moving hands the camera over.
class CSimCameraPlug {
public:
    CSimCameraPlug() = default;
    ~CSimCameraPlug();
    CSimCameraPlug(CSimCameraPlug&& other) noexcept;
    CSimCameraPlug& operator=(CSimCameraPlug&& other) noexcept;
    CSimCameraPlug(const CSimCameraPlug&) = delete;
    CSimCameraPlug& operator=(const CSimCameraPlug&) = delete;

    // Whether the driver has the device (AddDevice succeeded and it was not removed since).
    bool IsPlugged() const { return m_nNode != 0; }
    // AddDevice's status, or the start's when the plug started the device.
    NTSTATUS GetStatus() const { return m_nStatus; }

    // The hardware, for fault injection and inspection; it stays after removal.
    CSimCamera& Camera() const { return *m_pCamera; }
    CSimUsbBus& UsbBus() const { return *m_pBus; }

    NTSTATUS Start();
    NTSTATUS Stop();
    NTSTATUS Remove(); // orderly removal
    // Surprise removal: the camera vanishes (its transfers fail), then the manager removes it.
    NTSTATUS Unplug();
    NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES* pCapabilities);
    NTSTATUS SetPower(DEVICE_POWER_STATE state);

private:
    friend class CSimCameraBus;
    CPnpManager* m_pPnp = nullptr;
    ULONG m_nNode = 0;
    NTSTATUS m_nStatus = STATUS_NO_SUCH_DEVICE;
    // The adapter is declared first so that it outlives the camera, whose last transfers
    // end through it.
    std::unique_ptr<CSimUsbBus> m_pBus;
    std::unique_ptr<CSimCamera> m_pCamera;
};

class CSimCameraBus {
public:
    explicit CSimCameraBus(CPnpManager& pnp) : m_Pnp(pnp) {}

    // A new simulated camera: AddDevice, then (bStart) the start, which loads its firmware.
    // Check GetStatus / IsPlugged: a ninth camera cannot be added.
    CSimCameraPlug PlugSimulatedCamera(const SIM_CAMERA_OPTIONS& options = {}, bool bStart = true);

    // The stage micrometer scene, drawn once and shared by the cameras of this bus.
    std::shared_ptr<const CSimRadiance> GetDefaultScene();

private:
    CPnpManager& m_Pnp;
    std::mutex m_Mutex; // guards m_pDefaultScene
    std::shared_ptr<const CSimRadiance> m_pDefaultScene;
};
