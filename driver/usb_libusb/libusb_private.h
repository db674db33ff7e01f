// The libusb-1.0 back end's private declarations, and the only header that includes libusb.h:
// the error mapping, a USB device behind the driver's bus interface, and the host that
// watches the bus.
#pragma once

#include "driver/usb_bus.h"
#include "driver/usb_libusb/usb_camera_host.h"

#include <libusb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// The one mapping of libusb's results (LIBUSB_SUCCESS, LIBUSB_ERROR_*) to USB statuses.
USBD_STATUS UsbdStatusFromLibusb(int nResult);
// A transfer's or a packet's end, through the mapping above (cancelled: USBD_STATUS_CANCELED).
USBD_STATUS UsbdStatusFromTransfer(libusb_transfer_status status);

// One opened USB device as the driver's bus interface. Descriptor, configuration, control
// and pipe requests run on the calling thread (control transfers with the 5-second limit of
// the USB standard); bulk, interrupt and isochronous transfers are submitted and end on the
// host's event thread, which calls their completions. The libusb transfers are kept and
// used again, so a running camera allocates nothing per transfer. The object owns the device
// handle and, when destroyed, cancels its transfers and waits for them before closing it.
class CLibusbDevice final : public IUsbBus {
public:
    // nClaimedInterface: an interface already claimed on the handle, or -1.
    CLibusbDevice(libusb_device_handle* pHandle, int nClaimedInterface);
    ~CLibusbDevice() override;
    CLibusbDevice(const CLibusbDevice&) = delete;
    CLibusbDevice& operator=(const CLibusbDevice&) = delete;

    NTSTATUS SubmitUrb(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext) override;
    void CancelUrb(URB* pUrb) override;
    NTSTATUS ResetPort() override;
    void GetUSBDIVersion(USBD_VERSION_INFORMATION* pVersion) override;

    static constexpr unsigned CONTROL_TIMEOUT_MS = 5000;

private:
    struct ENDPOINT {
        UCHAR nType; // bmAttributes & 3: LIBUSB_TRANSFER_TYPE_ISOCHRONOUS, _BULK or _INTERRUPT
        USHORT nMaxPacket;
    };
    // A libusb transfer and the request block it carries; free while pUrb is null.
    struct TRANSFER_SLOT {
        CLibusbDevice* pDevice = nullptr;
        libusb_transfer* pTransfer = nullptr;
        int nIsoCapacity = 0; // packets the transfer was allocated for
        URB* pUrb = nullptr;
        PUSB_URB_COMPLETION pfnCompletion = nullptr;
        PVOID pContext = nullptr;
        UCHAR nEndpoint = 0;
    };
    static void LIBUSB_CALL OnTransferDone(libusb_transfer* pTransfer);

    USBD_STATUS ControlTransfer(UCHAR nRequestType, UCHAR nRequest, USHORT nValue, USHORT nIndex, PVOID pBuffer,
                                ULONG* pnLength);
    USBD_STATUS SelectConfiguration(URB* pUrb);
    USBD_STATUS SelectInterface(URB* pUrb);
    USBD_STATUS FillInterface(UCHAR nConfiguration, USBD_INTERFACE_INFORMATION* pInterface);
    // The endpoint behind a pipe handle of the current configuration, or 0.
    UCHAR EndpointOfLocked(USBD_PIPE_HANDLE hPipe, ENDPOINT* pEndpoint) const;
    // Submits a bulk, interrupt or isochronous transfer; USBD_STATUS_PENDING when it runs.
    USBD_STATUS SubmitTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext);
    TRANSFER_SLOT* TakeSlotLocked(int nIsoPackets);
    void CancelLocked(UCHAR nEndpoint); // 0: every endpoint
    // Notes the first report that the device is gone.
    USBD_STATUS Note(USBD_STATUS status);
    // Logs a libusb call that failed on this device: "<what> on bus B address A: <error
    // name>". That the device is gone is logged once, whichever call finds it out first.
    void LogFailure(int nResult, const char* szFormat, ...) __attribute__((format(printf, 3, 4)));
    void LogGone();

    libusb_device_handle* const m_pHandle;
    const unsigned m_nBus;     // where the device is, for the log
    const unsigned m_nAddress;
    const std::chrono::steady_clock::time_point m_tOpened;
    std::atomic<bool> m_bGone{false}; // set once, when libusb first reports the device gone
    std::atomic<bool> m_bGoneLogged{false}; // any thread
    // Set by the first of a run of failures and cleared by the next success, so that a
    // failure repeated with every frame is logged once. Submits run on any thread under
    // m_Mutex, completions on the event thread.
    std::atomic<bool> m_bSubmitFailing{false};
    std::atomic<bool> m_bTransferFailing{false};

    // Guards the members below; any thread, the event thread included. Held while libusb
    // submits or cancels a transfer (libusb calls no completion inside either), never while
    // a completion runs.
    mutable std::mutex m_Mutex;
    std::condition_variable m_Idle; // m_nRunning went to 0
    ULONG m_nGeneration = 1;
    UCHAR m_nConfiguration = 0;
    int m_nClaimedInterface = -1;
    std::map<UCHAR, ENDPOINT> m_Endpoints; // of the selected interface setting
    std::vector<std::unique_ptr<TRANSFER_SLOT>> m_Slots;
    std::size_t m_nRunning = 0; // transfers submitted whose completion has not returned yet
};

// The host: libusb's context, its event thread, and hot-plug of the cameras with the ids.
class CLibusbCameraHost final : public IUsbCameraHost, private IUsbDeviceSource {
public:
    CLibusbCameraHost(CPnpManager& pnp, const USB_CAMERA_IDS& ids);
    ~CLibusbCameraHost() override;
    CLibusbCameraHost(const CLibusbCameraHost&) = delete;
    CLibusbCameraHost& operator=(const CLibusbCameraHost&) = delete;

    NTSTATUS GetStatus() const override { return m_nStatus; }
    bool HasHotplug() const override { return m_bHotplug; }
    std::vector<USB_HOTPLUG_DEVICE> GetCameras() override;

private:
    static int LIBUSB_CALL OnHotplug(libusb_context* pContext, libusb_device* pDevice, libusb_hotplug_event event,
                                     void* pUserData);
    std::unique_ptr<IUsbBus> OpenDevice(std::uintptr_t nKey) override;
    void ReleaseDevice(std::uintptr_t nKey) override;
    void EnumerateOnce();
    void EventThread();

    const USB_CAMERA_IDS m_Ids;
    NTSTATUS m_nStatus = STATUS_UNSUCCESSFUL;
    bool m_bHotplug = false;
    libusb_context* m_pContext = nullptr;
    libusb_hotplug_callback_handle m_hHotplug = 0;
    std::atomic<bool> m_bStopEvents{false}; // read by the event thread
    // Guards m_pHotplug between a hot-plug callback on the event thread and the destructor:
    // libusb does not wait for a running callback when it is deregistered.
    std::mutex m_HotplugMutex;
    std::unique_ptr<CUsbHotplug> m_pHotplug;
    std::thread m_EventThread;
};
