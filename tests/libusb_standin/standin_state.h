// The libusb stand-in's inside: the objects behind libusb's opaque types, the bus they live
// on, and the helpers its functions share. Included by the stand-in's sources only.
#pragma once

#include "tests/libusb_standin/standin_usb_bus.h"

#include <libusb.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// A device on the bus, the same for every context.
struct STANDIN_PORT {
    unsigned nPort = 0;
    std::uint8_t nAddress = 0;
    libusb_device_descriptor Descriptor{}; // read once when plugged in, as the kernel does
    bool bNoAccess = false;
    std::unique_ptr<CSimCamera> pCamera;
    std::atomic<bool> bGone{false};
    std::mutex ClaimMutex; // guards pClaimedBy; any thread
    libusb_device_handle* pClaimedBy = nullptr; // the handle that claimed interface 0
};

struct libusb_device {
    libusb_context* pContext = nullptr;
    std::shared_ptr<STANDIN_PORT> pPort;
    std::atomic<int> nRefs{1};
};

struct libusb_device_handle {
    libusb_device* pDevice = nullptr; // holds a reference
    std::atomic<int> nTransfersInFlight{0};
};

// A transfer as libusb_alloc_transfer lays it out: this header, the public transfer, its
// isochronous packet descriptors, then the simulated camera's descriptors of the same packets.
// Plain data: allocated with calloc, as the C interface hands it out.
struct STANDIN_TRANSFER {
    int nIsoCapacity;
    libusb_context* pContext;  // of the submission
    libusb_device_handle* pHandle;
    STANDIN_PORT* pPort;
    bool bInFlight;            // submitted, completion not yet delivered
    bool bEnded;               // the camera has ended it; its completion is queued
    bool bCancelAsked;
    bool bTimedOut;            // cancelled by the stand-in because its timeout passed
    std::int64_t nDeadlineNs;  // steady clock; 0: no timeout
    USBD_STATUS nModelStatus;  // how the camera ended it
    DWORD nModelBytes;
    USBD_ISO_PACKET_DESCRIPTOR* pModelPackets;
};
STANDIN_TRANSFER* StandinTransferOf(libusb_transfer* pTransfer);
// Transfers allocated and not yet freed, in the whole process.
std::size_t StandinTransfersAllocated();

struct STANDIN_HOTPLUG_CALLBACK {
    libusb_hotplug_callback_handle hHandle;
    int nEvents;
    int nVendorId; // LIBUSB_HOTPLUG_MATCH_ANY or an id
    int nProductId;
    int nClass;
    libusb_hotplug_callback_fn pfnCallback;
    void* pUserData;
};

struct STANDIN_HOTPLUG_EVENT {
    libusb_device* pDevice; // a reference held until delivered
    libusb_hotplug_event Event;
};

struct libusb_context {
    std::shared_ptr<CStandinUsbBus::CState> pBus;

    std::mutex EventLock; // held by the thread handling events: one at a time, as libusb's

    std::mutex Mutex; // guards everything below; any thread
    std::condition_variable Changed; // completions, hot-plug events, interruption
    std::map<libusb_device*, std::unique_ptr<libusb_device>> Devices; // every device object alive
    std::map<unsigned, libusb_device*> Attached; // by port; each holds a reference
    std::map<libusb_device_handle*, std::unique_ptr<libusb_device_handle>> Handles;
    std::vector<STANDIN_TRANSFER*> InFlight;
    std::deque<libusb_transfer*> Completed;
    std::vector<STANDIN_HOTPLUG_CALLBACK> Callbacks;
    std::deque<STANDIN_HOTPLUG_EVENT> HotplugEvents;
    libusb_hotplug_callback_handle hNextCallback = 1;
    bool bInterrupted = false;
};

// The bus: its devices and the contexts attached to it.
class CStandinUsbBus::CState {
public:
    mutable std::mutex Mutex; // guards the members below; taken before a context's Mutex
    std::condition_variable HotplugDelivered;
    std::map<unsigned, std::shared_ptr<STANDIN_PORT>> Ports; // every port ever plugged
    std::map<libusb_context*, std::unique_ptr<libusb_context>> Contexts; // made by libusb_init
    std::vector<std::string> Misuses;
    std::size_t nHotplugQueued = 0;
    std::size_t nHotplugDelivered = 0;
    std::size_t nCallbacks = 0;
    unsigned nNextPort = 1;
    bool bHotplugCapability = true;

    // Records a misuse of the libusb interface (also on the error output).
    void Misuse(const std::string& szWhat);
};

// The bus alive now, or null.
std::shared_ptr<CStandinUsbBus::CState> StandinCurrentBus();
// Adds a device object of the port to the context and, when it has hot-plug callbacks,
// queues its arrival. Bus mutex held.
void StandinAttachLocked(libusb_context* pContext, const std::shared_ptr<STANDIN_PORT>& pPort);
// Drops the context's device of the port and queues its departure. Bus mutex held.
void StandinDetachLocked(libusb_context* pContext, unsigned nPort);
// Drops one reference of a device object; the last frees it. Context mutex held.
void StandinUnrefLocked(libusb_device* pDevice);
// Whether a hot-plug callback wants this event of this device.
bool StandinHotplugMatches(const STANDIN_HOTPLUG_CALLBACK& callback, const libusb_device* pDevice,
                           libusb_hotplug_event event);
// libusb's error code for how the simulated camera answered a request.
int StandinErrorOf(USBD_STATUS status);
// Marks the calling thread as the one handling events (callbacks are allowed there).
void StandinSetEventThread(bool bHandling);
bool StandinIsEventThread();
