#include "simcam/sim_camera_bus.h"

CSimCameraPlug::~CSimCameraPlug() { Remove(); }

CSimCameraPlug::CSimCameraPlug(CSimCameraPlug&& other) noexcept
    : m_pPnp(other.m_pPnp),
      m_nNode(other.m_nNode),
      m_nStatus(other.m_nStatus),
      m_pBus(std::move(other.m_pBus)),
      m_pCamera(std::move(other.m_pCamera))
{
    other.m_nNode = 0;
}

CSimCameraPlug& CSimCameraPlug::operator=(CSimCameraPlug&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_pPnp = other.m_pPnp;
        m_nNode = other.m_nNode;
        m_nStatus = other.m_nStatus;
        m_pCamera.reset();
        m_pBus = std::move(other.m_pBus);
        m_pCamera = std::move(other.m_pCamera);
        other.m_nNode = 0;
    }
    return *this;
}

NTSTATUS CSimCameraPlug::Start() { return IsPlugged() ? m_pPnp->StartDevice(m_nNode) : STATUS_NO_SUCH_DEVICE; }

NTSTATUS CSimCameraPlug::Stop() { return IsPlugged() ? m_pPnp->StopDevice(m_nNode) : STATUS_NO_SUCH_DEVICE; }

NTSTATUS CSimCameraPlug::Remove()
{
    if (!IsPlugged())
        return STATUS_NO_SUCH_DEVICE;
    const NTSTATUS status = m_pPnp->RemoveDevice(m_nNode);
    m_nNode = 0;
    return status;
}

NTSTATUS CSimCameraPlug::Unplug()
{
    if (!IsPlugged())
        return STATUS_NO_SUCH_DEVICE;
    m_pCamera->Unplug();
    const NTSTATUS status = m_pPnp->SurpriseRemoveDevice(m_nNode);
    m_nNode = 0;
    return status;
}

NTSTATUS CSimCameraPlug::QueryCapabilities(DEVICE_CAPABILITIES* pCapabilities)
{
    return IsPlugged() ? m_pPnp->QueryCapabilities(m_nNode, pCapabilities) : STATUS_NO_SUCH_DEVICE;
}

NTSTATUS CSimCameraPlug::SetPower(DEVICE_POWER_STATE state)
{
    return IsPlugged() ? m_pPnp->SetDevicePower(m_nNode, state) : STATUS_NO_SUCH_DEVICE;
}

std::shared_ptr<const CSimRadiance> CSimCameraBus::GetDefaultScene()
{
    std::lock_guard lock(m_Mutex);
    if (!m_pDefaultScene)
        m_pDefaultScene = SimRenderScene(CSimMicrometerScene());
    return m_pDefaultScene;
}

CSimCameraPlug CSimCameraBus::PlugSimulatedCamera(const SIM_CAMERA_OPTIONS& options, bool bStart)
{
    SIM_CAMERA_OPTIONS cameraOptions = options;
    if (!cameraOptions.pScene)
        cameraOptions.pScene = GetDefaultScene();
    CSimCameraPlug plug;
    plug.m_pPnp = &m_Pnp;
    plug.m_pCamera = std::make_unique<CSimCamera>(cameraOptions);
    plug.m_pBus = std::make_unique<CSimUsbBus>(*plug.m_pCamera);
    plug.m_nStatus = m_Pnp.AddDevice(*plug.m_pBus, &plug.m_nNode);
    if (NT_SUCCESS(plug.m_nStatus) && bStart)
        plug.m_nStatus = plug.Start();
    return plug;
}
