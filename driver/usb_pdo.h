// The bus driver's side of a USB device: the physical device object at the bottom of the
// camera's device stack, which completes plug and play and power requests as a bus does
// and hands request blocks to the device's USB bus interface.
#pragma once

#include "driver/kernel/ks_device.h"
#include "driver/usb_bus.h"

// Fills the bus driver's dispatch table.
NTSTATUS UsbPdoDriverEntry(DRIVER_OBJECT* pDriverObject, const UNICODE_STRING* pRegistryPath);

// Creates the unnamed physical device object of one USB device. nAddress is reported as the
// device's address in its capabilities.
NTSTATUS UsbCreatePdo(DRIVER_OBJECT* pBusDriver, IUsbBus& bus, ULONG nAddress, DEVICE_OBJECT** ppPdo);

// The version of the USB interface behind a physical device object.
void USBD_GetUSBDIVersion(DEVICE_OBJECT* pPhysicalDeviceObject, USBD_VERSION_INFORMATION* pVersion);
