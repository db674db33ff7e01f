// The libusb back end's one mapping of libusb's results to the USB statuses of the driver's
// bus interface.
#include "driver/usb_libusb/libusb_private.h"

USBD_STATUS UsbdStatusFromLibusb(int nResult)
{
    if (nResult >= 0)
        return USBD_STATUS_SUCCESS;
    switch (nResult) {
    case LIBUSB_ERROR_IO:
        return USBD_STATUS_XACT_ERROR;
    case LIBUSB_ERROR_INVALID_PARAM:
        return USBD_STATUS_INVALID_PARAMETER;
    case LIBUSB_ERROR_ACCESS:
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return USBD_STATUS_NOT_SUPPORTED;
    case LIBUSB_ERROR_NO_DEVICE:
        return USBD_STATUS_DEVICE_GONE;
    case LIBUSB_ERROR_NOT_FOUND: // an interface or endpoint the device does not have (now)
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    case LIBUSB_ERROR_BUSY:
        return USBD_STATUS_ERROR_BUSY;
    case LIBUSB_ERROR_TIMEOUT:
        return USBD_STATUS_TIMEOUT;
    case LIBUSB_ERROR_OVERFLOW:
        return USBD_STATUS_BABBLE_DETECTED;
    case LIBUSB_ERROR_PIPE:
        return USBD_STATUS_STALL_PID;
    case LIBUSB_ERROR_INTERRUPTED:
        return USBD_STATUS_CANCELED;
    case LIBUSB_ERROR_NO_MEM:
        return USBD_STATUS_INSUFFICIENT_RESOURCES;
    default: // LIBUSB_ERROR_OTHER and anything newer
        return USBD_STATUS_INTERNAL_HC_ERROR;
    }
}

USBD_STATUS UsbdStatusFromTransfer(libusb_transfer_status status)
{
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
        return UsbdStatusFromLibusb(LIBUSB_SUCCESS);
    case LIBUSB_TRANSFER_TIMED_OUT:
        return UsbdStatusFromLibusb(LIBUSB_ERROR_TIMEOUT);
    case LIBUSB_TRANSFER_CANCELLED:
        return USBD_STATUS_CANCELED;
    case LIBUSB_TRANSFER_STALL:
        return UsbdStatusFromLibusb(LIBUSB_ERROR_PIPE);
    case LIBUSB_TRANSFER_NO_DEVICE:
        return UsbdStatusFromLibusb(LIBUSB_ERROR_NO_DEVICE);
    case LIBUSB_TRANSFER_OVERFLOW:
        return UsbdStatusFromLibusb(LIBUSB_ERROR_OVERFLOW);
    case LIBUSB_TRANSFER_ERROR:
    default:
        return UsbdStatusFromLibusb(LIBUSB_ERROR_IO);
    }
}
