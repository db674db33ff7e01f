// The USB identity of the cameras that the libusb back end drives: vendor and product id,
// set by environment variables, with documented defaults.
#pragma once

#include "platform/win_types.h"

struct USB_CAMERA_IDS {
    WORD VendorId;
    WORD ProductId;
};

// The defaults are the identity of the camera's USB microcontroller while it waits for its
// firmware (the state the driver finds the camera in: it downloads the firmware at every
// start). A camera that carries its maker's ids needs the variables below, and the same ids
// in the udev rule (driver/udev/70-vexilo-camera.rules).
constexpr WORD USB_CAMERA_DEFAULT_VENDOR_ID = 0x04B4;
constexpr WORD USB_CAMERA_DEFAULT_PRODUCT_ID = 0x8613;
constexpr const char* USB_VENDOR_ID_VARIABLE = "VEXILO_USB_VID";
constexpr const char* USB_PRODUCT_ID_VARIABLE = "VEXILO_USB_PID";

// One to four hex digits, with or without "0x" ("04b4", "0x04B4"). FALSE for anything else.
BOOL ParseUsbId(const char* szText, WORD* pnId);

// The ids from the two texts; null or empty gives the default, and so does a text that is
// no id, which is also logged (category usb). *pbNamed (when given) tells whether either
// text named an id: the defaults alone are also those of any other board built on the same
// microcontroller, so the program downloads firmware into them only when asked to.
USB_CAMERA_IDS MakeUsbCameraIds(const char* szVendor, const char* szProduct, bool* pbNamed = nullptr);
// The same from VEXILO_USB_VID and VEXILO_USB_PID.
USB_CAMERA_IDS GetUsbCameraIds(bool* pbNamed = nullptr);

// A USB device with the camera ids, as found on the bus without opening it.
struct USB_DEVICE_FOUND {
    WORD VendorId;
    WORD ProductId;
    unsigned nBus;
    unsigned nAddress;
};
