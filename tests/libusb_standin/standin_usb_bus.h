// CStandinUsbBus: the USB bus that the libusb stand-in shows to the contexts created while
// it exists. The stand-in provides the libusb-1.0 functions the back end calls
// (driver/usb_libusb/) and serves them from simulated cameras (simcam/), so that the back
// end runs end to end in tests without a camera.
#pragma once

#include "simcam/sim_camera.h"
#include "simcam/sim_usb_descriptors.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct STANDIN_DEVICE_OPTIONS {
    SIM_CAMERA_OPTIONS Camera;
    // The ids the device reports (its device descriptor, also through control requests).
    WORD nVendorId = SIM_VENDOR_ID;
    WORD nProductId = SIM_PRODUCT_ID;
    bool bNoAccess = false; // libusb_open fails with LIBUSB_ERROR_ACCESS (no udev rule)
};

// What libusb's users hold now, summed over every context of the bus.
struct STANDIN_STATS {
    std::size_t nContexts = 0;
    std::size_t nDevices = 0;           // libusb_device objects alive
    std::size_t nOpenHandles = 0;
    std::size_t nTransfers = 0;         // allocated and not freed (any context)
    std::size_t nTransfersInFlight = 0; // submitted, completion not yet delivered
    std::size_t nCallbacks = 0;         // transfer completions delivered so far
};

// One bus at a time: libusb_init attaches its context to the bus alive at that moment, or,
// without one, to an empty bus of its own. Devices are plugged in and out from any thread;
// every context hears of it through its hot-plug callbacks, which (as libusb's) run on the
// thread that handles the context's events. Pulling a device out ends its transfers with
// LIBUSB_TRANSFER_NO_DEVICE and makes its calls answer LIBUSB_ERROR_NO_DEVICE.
//
// Uses of the libusb API that libusb leaves undefined or reports as a programming error
// (closing a handle with transfers in flight, freeing a transfer in flight, resubmitting one,
// leaving handles or device references behind at libusb_exit) are recorded as misuses.
class CStandinUsbBus {
public:
    CStandinUsbBus();
    // Pulls out what is still plugged in; contexts still alive keep their own view.
    ~CStandinUsbBus();
    CStandinUsbBus(const CStandinUsbBus&) = delete;
    CStandinUsbBus& operator=(const CStandinUsbBus&) = delete;

    // Plugs a new simulated camera in at the next address; answers its port number (from 1).
    unsigned Plug(const STANDIN_DEVICE_OPTIONS& options);
    // The camera behind a port, plugged in or not (it lives as long as the bus).
    CSimCamera& Camera(unsigned nPort) const;
    // The device is gone: its transfers end, then the contexts hear of its departure.
    void Unplug(unsigned nPort);
    bool IsPlugged(unsigned nPort) const;

    // Waits until every context has delivered the hot-plug events queued so far; false
    // after nMilliseconds (an event thread that does not run).
    bool WaitForHotplugDelivery(unsigned nMilliseconds);
    // Whether libusb_has_capability reports hot-plug (default true).
    void SetHotplugCapability(bool bHotplug);

    STANDIN_STATS GetStats() const;
    // The misuses recorded so far, each once.
    std::vector<std::string> TakeMisuses();

    class CState; // shared with the contexts

private:
    std::shared_ptr<CState> m_pState;
};
