// ListLibusbDevices: the devices with the camera ids on the bus, found through libusb's
// device list without opening them.
#include "driver/usb_libusb/libusb_private.h"

#include "platform/log.h"

NTSTATUS ListLibusbDevices(const USB_CAMERA_IDS& ids, std::vector<USB_DEVICE_FOUND>* pDevices)
{
    pDevices->clear();
    libusb_context* pContext = nullptr;
    const int nResult = libusb_init(&pContext);
    if (nResult != LIBUSB_SUCCESS) {
        LogLine(ELogCategory::Usb, "cannot start libusb: %s", libusb_error_name(nResult));
        return UsbdStatusToNtStatus(UsbdStatusFromLibusb(nResult));
    }
    libusb_device** ppList = nullptr;
    const ssize_t nDevices = libusb_get_device_list(pContext, &ppList);
    if (nDevices < 0)
        LogLine(ELogCategory::Usb, "cannot list the USB devices: %s", libusb_error_name(static_cast<int>(nDevices)));
    for (ssize_t i = 0; i < nDevices; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(ppList[i], &descriptor) == LIBUSB_SUCCESS &&
            descriptor.idVendor == ids.VendorId && descriptor.idProduct == ids.ProductId)
            pDevices->push_back(USB_DEVICE_FOUND{descriptor.idVendor, descriptor.idProduct,
                                                 libusb_get_bus_number(ppList[i]),
                                                 libusb_get_device_address(ppList[i])});
    }
    if (ppList)
        libusb_free_device_list(ppList, 1);
    libusb_exit(pContext);
    return nDevices < 0 ? UsbdStatusToNtStatus(UsbdStatusFromLibusb(static_cast<int>(nDevices))) : STATUS_SUCCESS;
}
