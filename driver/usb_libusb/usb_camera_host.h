// Real cameras through libusb-1.0: the factory with which the program starts the USB back end.
// libusb itself stays behind driver/usb_libusb/libusb_private.h.
#pragma once

#include "driver/pnp_manager.h"
#include "driver/usb_camera_ids.h"
#include "driver/usb_hotplug.h"

#include <memory>
#include <vector>

// Watches the USB bus for cameras with the given ids and hands each one to the driver
// through the plug and play manager: arrival -> AddDevice and start (the firmware download),
// departure -> surprise removal. Destroying it removes the cameras still present (orderly)
// and ends libusb; it must go before the manager.
class IUsbCameraHost {
public:
    virtual ~IUsbCameraHost() = default;
    // STATUS_SUCCESS when libusb is running; else why not (libusb could not start).
    virtual NTSTATUS GetStatus() const = 0;
    // Whether arrivals and departures are seen while running; without it only the cameras
    // present at the start are found.
    virtual bool HasHotplug() const = 0;
    // The cameras the driver has now. The first call waits until the cameras present at
    // the start have been added and started.
    virtual std::vector<USB_HOTPLUG_DEVICE> GetCameras() = 0;
};

// Never null; check GetStatus.
std::unique_ptr<IUsbCameraHost> CreateLibusbCameraHost(CPnpManager& pnp, const USB_CAMERA_IDS& ids);

// The devices with the ids attached now, listed without opening them (nothing is sent to
// them). STATUS_SUCCESS, or why libusb could not list them.
NTSTATUS ListLibusbDevices(const USB_CAMERA_IDS& ids, std::vector<USB_DEVICE_FOUND>* pDevices);
