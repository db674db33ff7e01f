// The USB bus interface below the camera driver: what a USB connection (the simulated camera,
// or a real camera through a USB library) offers for one device.
#pragma once

#include "driver/usb_types.h"

// Called once per request block when it has ended; status is the request's NTSTATUS, the
// block carries the USB status and the transferred length.
using PUSB_URB_COMPLETION = void (*)(URB* pUrb, NTSTATUS status, PVOID pContext);

// One USB device as the bus presents it. Every member may be called from several threads.
// A request block and its buffers stay the submitter's and stay valid until its completion
// has been called.
class IUsbBus {
public:
    virtual ~IUsbBus() = default;

    // Starts a request block (descriptors, configuration, control, bulk and pipe requests).
    // The completion runs exactly once: on the calling thread before SubmitUrb returns when
    // the request ends at once, otherwise later on a thread of the bus. Answers
    // STATUS_PENDING when the request is still running, else its final status. The bus
    // holds none of its locks while it calls a completion.
    virtual NTSTATUS SubmitUrb(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext) = 0;
    // Asks the bus to end a running request early: its completion then reports
    // STATUS_CANCELLED with USBD_STATUS_CANCELED. A request that has ended or is being
    // delivered is left alone. Never waits for the completion.
    virtual void CancelUrb(URB* pUrb) = 0;
    // Resets the device's port; running requests end cancelled, the configuration stays.
    virtual NTSTATUS ResetPort() = 0;
    // The version of the USB interface the bus implements.
    virtual void GetUSBDIVersion(USBD_VERSION_INFORMATION* pVersion) = 0;
};

// The request status that goes with a USB status: success, STATUS_CANCELLED,
// STATUS_DEVICE_NOT_CONNECTED, STATUS_INVALID_PARAMETER, STATUS_INSUFFICIENT_RESOURCES,
// STATUS_IO_TIMEOUT, STATUS_NOT_SUPPORTED, else STATUS_UNSUCCESSFUL.
NTSTATUS UsbdStatusToNtStatus(USBD_STATUS status);

// Submits a request block and waits for it without a time limit; answers its final status.
NTSTATUS UsbSubmitUrbSynchronously(IUsbBus& bus, URB* pUrb);
