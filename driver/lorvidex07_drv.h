// Lorvidex07Drv, the camera driver: its entry point and the names under which it publishes cameras.
#pragma once

#include "driver/kernel/ks_device.h"

// Cameras appear as \Device\Lorvidex07-n with the link \DosDevices\Lorvidex07-n, n = 0..7;
// user mode opens "\\.\Lorvidex07-n".
constexpr const char* LORVIDEX07_BASE_NAME = "Lorvidex07";
constexpr int LORVIDEX07_MAX_DEVICES = 8;

// Transfer timeout at load, in milliseconds.
constexpr LONG LORVIDEX07_DEFAULT_TIMEOUT_MS = 3000;

// Registers the driver's entry points (create, close, device control, plug and play, power,
// unload, AddDevice) and loads the firmware images (see driver/firmware/firmware_images.h).
// Answers STATUS_SUCCESS, or the firmware loading status when a named firmware folder
// does not hold valid images.
NTSTATUS DriverEntry(DRIVER_OBJECT* pDriverObject, const UNICODE_STRING* pRegistryPath);
