// CLibusbCameraHost: libusb's context, the thread that handles its events, and hot-plug of
// the cameras through CUsbHotplug.
#include "driver/usb_libusb/libusb_private.h"

#include "platform/log.h"

#include <utility>

CLibusbCameraHost::CLibusbCameraHost(CPnpManager& pnp, const USB_CAMERA_IDS& ids) : m_Ids(ids)
{
    int nResult = libusb_init(&m_pContext);
    if (nResult != LIBUSB_SUCCESS) {
        LogLine(ELogCategory::Usb, "cannot start libusb: %s", libusb_error_name(nResult));
        m_pContext = nullptr;
        m_nStatus = UsbdStatusToNtStatus(UsbdStatusFromLibusb(nResult));
        return;
    }
    m_nStatus = STATUS_SUCCESS;
    m_pHotplug = std::make_unique<CUsbHotplug>(pnp, static_cast<IUsbDeviceSource&>(*this));
    m_EventThread = std::thread(&CLibusbCameraHost::EventThread, this);
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        // The cameras present now arrive at once, on this thread.
        nResult = libusb_hotplug_register_callback(
            m_pContext, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
            LIBUSB_HOTPLUG_ENUMERATE, m_Ids.VendorId, m_Ids.ProductId, LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, this,
            &m_hHotplug);
        m_bHotplug = nResult == LIBUSB_SUCCESS;
        if (!m_bHotplug)
            LogLine(ELogCategory::Usb, "cannot watch for %04x:%04x being plugged in: %s (only cameras attached now)",
                    m_Ids.VendorId, m_Ids.ProductId, libusb_error_name(nResult));
    } else {
        LogLine(ELogCategory::Usb, "libusb has no hot-plug here (only cameras attached now)");
    }
    if (!m_bHotplug)
        EnumerateOnce();
}

CLibusbCameraHost::~CLibusbCameraHost()
{
    if (!m_pContext)
        return;
    if (m_bHotplug)
        libusb_hotplug_deregister_callback(m_pContext, m_hHotplug);
    // Removes the cameras; their cancelled transfers end on the event thread, still running.
    std::unique_ptr<CUsbHotplug> pHotplug;
    {
        std::lock_guard lock(m_HotplugMutex); // a callback still running has ended
        pHotplug = std::move(m_pHotplug);
    }
    pHotplug.reset();
    m_bStopEvents = true;
    libusb_interrupt_event_handler(m_pContext);
    m_EventThread.join();
    libusb_exit(m_pContext);
}

std::vector<USB_HOTPLUG_DEVICE> CLibusbCameraHost::GetCameras()
{
    if (!m_pHotplug)
        return {};
    m_pHotplug->WaitUntilIdle();
    return m_pHotplug->GetDevices();
}

int LIBUSB_CALL CLibusbCameraHost::OnHotplug(libusb_context*, libusb_device* pDevice, libusb_hotplug_event event,
                                             void* pUserData)
{
    auto* pHost = static_cast<CLibusbCameraHost*>(pUserData);
    const auto nKey = reinterpret_cast<std::uintptr_t>(pDevice);
    std::lock_guard lock(pHost->m_HotplugMutex);
    if (!pHost->m_pHotplug)
        return 0; // the host is ending
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) {
        libusb_ref_device(pDevice); // held until the hot-plug thread releases the key
        pHost->m_pHotplug->DeviceArrived(nKey);
    } else {
        pHost->m_pHotplug->DeviceLeft(nKey);
    }
    return 0; // stay registered
}

void CLibusbCameraHost::EnumerateOnce()
{
    libusb_device** ppList = nullptr;
    const ssize_t nDevices = libusb_get_device_list(m_pContext, &ppList);
    if (nDevices < 0)
        LogLine(ELogCategory::Usb, "cannot list the USB devices: %s", libusb_error_name(static_cast<int>(nDevices)));
    for (ssize_t i = 0; i < nDevices; ++i) {
        libusb_device_descriptor descriptor{};
        const int nResult = libusb_get_device_descriptor(ppList[i], &descriptor);
        if (nResult != LIBUSB_SUCCESS) {
            LogLine(ELogCategory::Usb, "cannot read the device descriptor on bus %u address %u: %s",
                    libusb_get_bus_number(ppList[i]), libusb_get_device_address(ppList[i]),
                    libusb_error_name(nResult));
        } else if (descriptor.idVendor == m_Ids.VendorId && descriptor.idProduct == m_Ids.ProductId) {
            libusb_ref_device(ppList[i]);
            m_pHotplug->DeviceArrived(reinterpret_cast<std::uintptr_t>(ppList[i]));
        }
    }
    if (ppList)
        libusb_free_device_list(ppList, 1);
}

std::unique_ptr<IUsbBus> CLibusbCameraHost::OpenDevice(std::uintptr_t nKey)
{
    auto* pDevice = reinterpret_cast<libusb_device*>(nKey);
    libusb_device_handle* pHandle = nullptr;
    const int nResult = libusb_open(pDevice, &pHandle);
    const unsigned nBus = libusb_get_bus_number(pDevice);
    const unsigned nAddress = libusb_get_device_address(pDevice);
    if (nResult != LIBUSB_SUCCESS) {
        LogLine(ELogCategory::Usb, "cannot open %04x:%04x on bus %u address %u: %s%s", m_Ids.VendorId,
                m_Ids.ProductId, nBus, nAddress, libusb_error_name(nResult),
                nResult == LIBUSB_ERROR_ACCESS ? " (install the udev rule)" : "");
        return nullptr;
    }
    // A configured camera may be in use by another program (which has claimed its
    // interface): it is left to that program, and its firmware is not downloaded again.
    int nConfiguration = 0;
    int nClaimed = -1;
    const int nGot = libusb_get_configuration(pHandle, &nConfiguration);
    if (nGot != LIBUSB_SUCCESS)
        LogLine(ELogCategory::Usb, "cannot read the configuration on bus %u address %u: %s", nBus, nAddress,
                libusb_error_name(nGot));
    if (nGot == LIBUSB_SUCCESS && nConfiguration > 0) {
        const int nClaim = libusb_claim_interface(pHandle, 0);
        if (nClaim == LIBUSB_ERROR_BUSY) {
            LogLine(ELogCategory::Usb, "camera on bus %u address %u is in use by another program", nBus, nAddress);
            libusb_close(pHandle);
            return nullptr;
        }
        // Not claimed now: the driver's configuration claims it again, and reports a failure.
        if (nClaim != LIBUSB_SUCCESS)
            LogLine(ELogCategory::Usb, "cannot claim interface 0 on bus %u address %u: %s", nBus, nAddress,
                    libusb_error_name(nClaim));
        nClaimed = nClaim == LIBUSB_SUCCESS ? 0 : -1;
    }
    return std::make_unique<CLibusbDevice>(pHandle, nClaimed);
}

void CLibusbCameraHost::ReleaseDevice(std::uintptr_t nKey)
{
    libusb_unref_device(reinterpret_cast<libusb_device*>(nKey));
}

void CLibusbCameraHost::EventThread()
{
    bool bFailing = false; // logs the first of a run of failures, not each turn
    while (!m_bStopEvents) {
        timeval timeout{1, 0}; // a safety net: the destructor interrupts the wait
        const int nResult = libusb_handle_events_timeout_completed(m_pContext, &timeout, nullptr);
        // Interrupted: the destructor's wake-up, or a signal; the loop goes on either way.
        if (nResult == LIBUSB_SUCCESS || nResult == LIBUSB_ERROR_INTERRUPTED)
            bFailing = false;
        else if (!std::exchange(bFailing, true))
            LogLine(ELogCategory::Usb, "cannot handle libusb events: %s", libusb_error_name(nResult));
    }
}

std::unique_ptr<IUsbCameraHost> CreateLibusbCameraHost(CPnpManager& pnp, const USB_CAMERA_IDS& ids)
{
    return std::make_unique<CLibusbCameraHost>(pnp, ids);
}
