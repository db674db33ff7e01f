// The simulated camera's USB descriptors: device, configuration (one interface: setting 0
// with three bulk endpoints, setting 1 with the two command endpoints and two isochronous
// ones) and strings.
#pragma once

#include "platform/win_types.h"

constexpr WORD SIM_VENDOR_ID = 0xF055;  // the simulation's own identity, no maker's
constexpr WORD SIM_PRODUCT_ID = 0x1007;
constexpr BYTE SIM_CONFIGURATION_VALUE = 1;
constexpr BYTE SIM_EP_COMMAND = 0x01; // pipe 0: bulk OUT
constexpr BYTE SIM_EP_REPLY = 0x81;   // pipe 1: bulk IN
constexpr BYTE SIM_EP_IMAGE = 0x82;   // pipe 2: bulk IN
// Alternate setting 1: pipes 0 and 1 as above, then the isochronous endpoints.
constexpr BYTE SIM_ISO_ALTERNATE_SETTING = 1;
constexpr BYTE SIM_EP_ISO_IN = 0x83;  // pipe 2 of setting 1: isochronous IN
constexpr BYTE SIM_EP_ISO_OUT = 0x03; // pipe 3 of setting 1: isochronous OUT
constexpr WORD SIM_ISO_MAX_PACKET = 1024; // bytes per microframe on either isochronous endpoint

// Copies descriptor (nType, nIndex) into pBuffer, at most nLength bytes; *pnCopied gets the
// count. FALSE for a descriptor the camera does not have (the request stalls). nSerial
// makes the serial number string ("SIM-0000").
BOOL SimGetDescriptor(BYTE nType, BYTE nIndex, WORD nLanguage, WORD nSerial, BYTE* pBuffer, DWORD nLength,
                      DWORD* pnCopied);
