// The libusb stand-in: contexts, device lists and descriptors, opening, configurations and
// interfaces, synchronous control requests, resets and error names, served by the
// simulated cameras of the bus.
#include "tests/libusb_standin/standin_state.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::uint8_t kBusNumber = 1;

CSimCamera& CameraOf(libusb_device_handle* pHandle) { return *pHandle->pDevice->pPort->pCamera; }

bool IsGone(libusb_device_handle* pHandle)
{
    return pHandle->pDevice->pPort->bGone || pHandle->pDevice->pPort->pCamera->IsUnplugged();
}

// The id bytes (8..11) of a device descriptor copied into pData, as the port reports them.
void PatchDeviceIds(const STANDIN_PORT& port, unsigned char* pData, int nCopied)
{
    const std::uint8_t ids[4] = {
        static_cast<std::uint8_t>(port.Descriptor.idVendor), static_cast<std::uint8_t>(port.Descriptor.idVendor >> 8),
        static_cast<std::uint8_t>(port.Descriptor.idProduct), static_cast<std::uint8_t>(port.Descriptor.idProduct >> 8)};
    for (int i = 8; i < 12 && i < nCopied; ++i)
        pData[i] = ids[i - 8];
}

// libusb's synchronous calls handle events themselves: made from inside a callback they
// would wait for the very thread that is running it.
void CheckNotInCallback(libusb_device_handle* pHandle, const char* szFunction)
{
    if (!StandinIsEventThread())
        return;
    const std::shared_ptr<CStandinUsbBus::CState>& pBus = pHandle->pDevice->pContext->pBus;
    std::lock_guard lock(pBus->Mutex);
    pBus->Misuse(std::string(szFunction) + " from inside a callback");
}

} // namespace

int StandinErrorOf(USBD_STATUS status)
{
    switch (status) {
    case USBD_STATUS_SUCCESS:
        return LIBUSB_SUCCESS;
    case USBD_STATUS_DEVICE_GONE:
        return LIBUSB_ERROR_NO_DEVICE;
    case USBD_STATUS_STALL_PID:
        return LIBUSB_ERROR_PIPE;
    case USBD_STATUS_INVALID_PIPE_HANDLE:
        return LIBUSB_ERROR_NOT_FOUND;
    case USBD_STATUS_INSUFFICIENT_RESOURCES:
        return LIBUSB_ERROR_NO_MEM;
    case USBD_STATUS_INVALID_PARAMETER:
        return LIBUSB_ERROR_INVALID_PARAM;
    default:
        return LIBUSB_ERROR_IO;
    }
}

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** ppContext)
{
    if (!ppContext)
        return LIBUSB_ERROR_NOT_SUPPORTED; // the default context is not offered
    std::shared_ptr<CStandinUsbBus::CState> pBus = StandinCurrentBus();
    if (!pBus)
        pBus = std::make_shared<CStandinUsbBus::CState>(); // a machine without USB devices
    auto pContext = std::make_unique<libusb_context>();
    pContext->pBus = pBus;
    libusb_context* pRaw = pContext.get();
    std::lock_guard lock(pBus->Mutex);
    pBus->Contexts.emplace(pRaw, std::move(pContext));
    for (const auto& [nPort, pPort] : pBus->Ports)
        if (!pPort->bGone)
            StandinAttachLocked(pRaw, pPort);
    *ppContext = pRaw;
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_exit(libusb_context* pContext)
{
    if (!pContext)
        return;
    const std::shared_ptr<CStandinUsbBus::CState> pBus = pContext->pBus;
    std::unique_ptr<libusb_context> pOwned;
    {
        std::lock_guard lock(pBus->Mutex);
        auto it = pBus->Contexts.find(pContext);
        if (it == pBus->Contexts.end())
            return;
        std::lock_guard contextLock(pContext->Mutex);
        if (!pContext->Handles.empty())
            pBus->Misuse("libusb_exit with device handles still open");
        if (!pContext->InFlight.empty())
            pBus->Misuse("libusb_exit with transfers in flight");
        for (const auto& [nPort, pDevice] : pContext->Attached)
            StandinUnrefLocked(pDevice);
        pContext->Attached.clear();
        for (const STANDIN_HOTPLUG_EVENT& event : pContext->HotplugEvents)
            StandinUnrefLocked(event.pDevice);
        pBus->nHotplugDelivered += pContext->HotplugEvents.size(); // dropped: nobody waits for them
        pContext->HotplugEvents.clear();
        if (!pContext->Devices.empty())
            pBus->Misuse("libusb_exit with device references still held");
        pBus->HotplugDelivered.notify_all();
        pOwned = std::move(it->second);
        pBus->Contexts.erase(it);
    }
    pOwned.reset();
}

int LIBUSB_CALL libusb_has_capability(uint32_t nCapability)
{
    if (nCapability != LIBUSB_CAP_HAS_HOTPLUG)
        return nCapability == LIBUSB_CAP_HAS_CAPABILITY ? 1 : 0;
    const std::shared_ptr<CStandinUsbBus::CState> pBus = StandinCurrentBus();
    if (!pBus)
        return 1;
    std::lock_guard lock(pBus->Mutex);
    return pBus->bHotplugCapability ? 1 : 0;
}

const char* LIBUSB_CALL libusb_error_name(int nCode)
{
    switch (nCode) {
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED: return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM: return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
    case LIBUSB_ERROR_OTHER: return "LIBUSB_ERROR_OTHER";
    // Transfer statuses share the function, as in libusb.
    case LIBUSB_SUCCESS: return "LIBUSB_SUCCESS / LIBUSB_TRANSFER_COMPLETED";
    case LIBUSB_TRANSFER_ERROR: return "LIBUSB_TRANSFER_ERROR";
    case LIBUSB_TRANSFER_TIMED_OUT: return "LIBUSB_TRANSFER_TIMED_OUT";
    case LIBUSB_TRANSFER_CANCELLED: return "LIBUSB_TRANSFER_CANCELLED";
    case LIBUSB_TRANSFER_STALL: return "LIBUSB_TRANSFER_STALL";
    case LIBUSB_TRANSFER_NO_DEVICE: return "LIBUSB_TRANSFER_NO_DEVICE";
    case LIBUSB_TRANSFER_OVERFLOW: return "LIBUSB_TRANSFER_OVERFLOW";
    default: return "**UNKNOWN**";
    }
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context* pContext, libusb_device*** pppList)
{
    if (!pContext || !pppList)
        return LIBUSB_ERROR_INVALID_PARAM;
    std::lock_guard lock(pContext->Mutex);
    const std::size_t nDevices = pContext->Attached.size();
    // Null-terminated, freed by libusb_free_device_list: the C interface's own allocation.
    auto** ppList = static_cast<libusb_device**>(std::calloc(nDevices + 1, sizeof(libusb_device*)));
    if (!ppList)
        return LIBUSB_ERROR_NO_MEM;
    std::size_t i = 0;
    for (const auto& [nPort, pDevice] : pContext->Attached) {
        ++pDevice->nRefs;
        ppList[i++] = pDevice;
    }
    *pppList = ppList;
    return static_cast<ssize_t>(nDevices);
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** ppList, int bUnrefDevices)
{
    if (!ppList)
        return;
    if (bUnrefDevices)
        for (libusb_device** pp = ppList; *pp; ++pp)
            libusb_unref_device(*pp);
    std::free(ppList);
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* pDevice)
{
    std::lock_guard lock(pDevice->pContext->Mutex);
    ++pDevice->nRefs;
    return pDevice;
}

void LIBUSB_CALL libusb_unref_device(libusb_device* pDevice)
{
    if (!pDevice)
        return;
    libusb_context* pContext = pDevice->pContext;
    std::lock_guard lock(pContext->Mutex);
    StandinUnrefLocked(pDevice);
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device* pDevice)
{
    (void)pDevice;
    return kBusNumber;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* pDevice) { return pDevice->pPort->nAddress; }

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device* pDevice, libusb_device_descriptor* pDescriptor)
{
    *pDescriptor = pDevice->pPort->Descriptor; // cached: answers also after the device has gone
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_open(libusb_device* pDevice, libusb_device_handle** ppHandle)
{
    libusb_context* pContext = pDevice->pContext;
    std::lock_guard lock(pContext->Mutex);
    if (pDevice->pPort->bGone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (pDevice->pPort->bNoAccess)
        return LIBUSB_ERROR_ACCESS;
    auto pHandle = std::make_unique<libusb_device_handle>();
    pHandle->pDevice = pDevice;
    ++pDevice->nRefs;
    *ppHandle = pHandle.get();
    pContext->Handles.emplace(pHandle.get(), std::move(pHandle));
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_close(libusb_device_handle* pHandle)
{
    if (!pHandle)
        return;
    libusb_device* pDevice = pHandle->pDevice;
    libusb_context* pContext = pDevice->pContext;
    {
        std::lock_guard claimLock(pDevice->pPort->ClaimMutex);
        if (pDevice->pPort->pClaimedBy == pHandle)
            pDevice->pPort->pClaimedBy = nullptr;
    }
    if (pHandle->nTransfersInFlight > 0) {
        std::lock_guard busLock(pContext->pBus->Mutex);
        pContext->pBus->Misuse("libusb_close with transfers in flight");
    }
    std::lock_guard lock(pContext->Mutex);
    pContext->Handles.erase(pHandle);
    StandinUnrefLocked(pDevice);
}

libusb_device* LIBUSB_CALL libusb_get_device(libusb_device_handle* pHandle) { return pHandle->pDevice; }

int LIBUSB_CALL libusb_set_auto_detach_kernel_driver(libusb_device_handle*, int)
{
    return LIBUSB_SUCCESS; // no kernel driver claims a simulated camera
}

int LIBUSB_CALL libusb_get_configuration(libusb_device_handle* pHandle, int* pnConfiguration)
{
    if (IsGone(pHandle))
        return LIBUSB_ERROR_NO_DEVICE;
    *pnConfiguration = CameraOf(pHandle).GetConfiguration();
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_set_configuration(libusb_device_handle* pHandle, int nConfiguration)
{
    CheckNotInCallback(pHandle, "libusb_set_configuration");
    {
        std::lock_guard claimLock(pHandle->pDevice->pPort->ClaimMutex);
        if (pHandle->pDevice->pPort->pClaimedBy)
            return LIBUSB_ERROR_BUSY; // an interface is claimed
    }
    if (nConfiguration < -1 || nConfiguration > 255)
        return LIBUSB_ERROR_INVALID_PARAM;
    const USBD_STATUS status = CameraOf(pHandle).SetConfiguration(static_cast<BYTE>(std::max(nConfiguration, 0)));
    return status == USBD_STATUS_STALL_PID ? LIBUSB_ERROR_NOT_FOUND : StandinErrorOf(status);
}

int LIBUSB_CALL libusb_claim_interface(libusb_device_handle* pHandle, int nInterface)
{
    if (IsGone(pHandle))
        return LIBUSB_ERROR_NO_DEVICE;
    if (nInterface != 0 || CameraOf(pHandle).GetConfiguration() == 0)
        return LIBUSB_ERROR_NOT_FOUND; // the camera's configuration has interface 0 only
    STANDIN_PORT& port = *pHandle->pDevice->pPort;
    std::lock_guard claimLock(port.ClaimMutex);
    if (port.pClaimedBy && port.pClaimedBy != pHandle)
        return LIBUSB_ERROR_BUSY;
    port.pClaimedBy = pHandle;
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle* pHandle, int nInterface)
{
    STANDIN_PORT& port = *pHandle->pDevice->pPort;
    {
        std::lock_guard claimLock(port.ClaimMutex);
        if (nInterface != 0 || port.pClaimedBy != pHandle)
            return LIBUSB_ERROR_NOT_FOUND;
        port.pClaimedBy = nullptr;
    }
    return IsGone(pHandle) ? LIBUSB_ERROR_NO_DEVICE : LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_set_interface_alt_setting(libusb_device_handle* pHandle, int nInterface, int nAlternate)
{
    CheckNotInCallback(pHandle, "libusb_set_interface_alt_setting");
    if (IsGone(pHandle))
        return LIBUSB_ERROR_NO_DEVICE;
    {
        std::lock_guard claimLock(pHandle->pDevice->pPort->ClaimMutex);
        if (pHandle->pDevice->pPort->pClaimedBy != pHandle)
            return LIBUSB_ERROR_NOT_FOUND; // not claimed
    }
    if (nInterface < 0 || nInterface > 255 || nAlternate < 0 || nAlternate > 255)
        return LIBUSB_ERROR_INVALID_PARAM;
    const USBD_STATUS status =
        CameraOf(pHandle).SetInterface(static_cast<BYTE>(nInterface), static_cast<BYTE>(nAlternate));
    return status == USBD_STATUS_STALL_PID ? LIBUSB_ERROR_NOT_FOUND : StandinErrorOf(status);
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* pHandle, uint8_t nRequestType, uint8_t nRequest,
                                        uint16_t nValue, uint16_t nIndex, unsigned char* pData, uint16_t nLength,
                                        unsigned int)
{
    CheckNotInCallback(pHandle, "libusb_control_transfer");
    CSimCamera& camera = CameraOf(pHandle);
    const bool bIn = (nRequestType & LIBUSB_ENDPOINT_IN) != 0;
    const int nType = nRequestType & (0x03 << 5);
    const int nRecipient = nRequestType & 0x1F;
    if (pHandle->pDevice->pPort->bGone)
        return LIBUSB_ERROR_NO_DEVICE;
    DWORD nMoved = 0;
    USBD_STATUS status = USBD_STATUS_STALL_PID; // what the camera does with requests it lacks
    if (nType == LIBUSB_REQUEST_TYPE_STANDARD && nRecipient == LIBUSB_RECIPIENT_DEVICE && bIn &&
        nRequest == LIBUSB_REQUEST_GET_DESCRIPTOR) {
        status = camera.GetDescriptor(static_cast<BYTE>(nValue >> 8), static_cast<BYTE>(nValue), nIndex, pData,
                                      nLength, &nMoved);
        if (USBD_SUCCESS(status) && (nValue >> 8) == LIBUSB_DT_DEVICE)
            PatchDeviceIds(*pHandle->pDevice->pPort, pData, static_cast<int>(nMoved));
    } else if (nType == LIBUSB_REQUEST_TYPE_STANDARD && nRecipient == LIBUSB_RECIPIENT_DEVICE && !bIn &&
               nRequest == LIBUSB_REQUEST_SET_FEATURE) {
        status = camera.SetFeature(nValue, nIndex);
    } else if (nType == LIBUSB_REQUEST_TYPE_VENDOR && nRecipient == LIBUSB_RECIPIENT_DEVICE) {
        status = camera.VendorRequest(nRequest, nValue, nIndex, bIn, pData, nLength, &nMoved);
    } else if (camera.IsUnplugged()) {
        status = USBD_STATUS_DEVICE_GONE;
    }
    return USBD_SUCCESS(status) ? static_cast<int>(nMoved) : StandinErrorOf(status);
}

int LIBUSB_CALL libusb_clear_halt(libusb_device_handle* pHandle, unsigned char)
{
    return IsGone(pHandle) ? LIBUSB_ERROR_NO_DEVICE : LIBUSB_SUCCESS; // the camera's endpoints never halt
}

int LIBUSB_CALL libusb_reset_device(libusb_device_handle* pHandle)
{
    CheckNotInCallback(pHandle, "libusb_reset_device");
    if (IsGone(pHandle))
        return LIBUSB_ERROR_NO_DEVICE;
    CameraOf(pHandle).ResetPort(); // keeps the configuration and the interface setting
    return LIBUSB_SUCCESS;
}

} // extern "C"
