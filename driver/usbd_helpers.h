// Building request blocks, and walking configuration descriptors, in the manner of the USB
// driver interface's helper macros and routines.
#pragma once

#include "driver/kernel/ks_pool.h"
#include "driver/usb_types.h"

#include <functional>

void UsbBuildGetDescriptorRequest(URB* pUrb, UCHAR nDescriptorType, UCHAR nIndex, USHORT nLanguageId,
                                  PVOID pBuffer, ULONG nLength);
// Vendor or class request (nFunction URB_FUNCTION_VENDOR_* / URB_FUNCTION_CLASS_*).
void UsbBuildVendorRequest(URB* pUrb, USHORT nFunction, ULONG nTransferFlags, UCHAR nRequest, USHORT nValue,
                           USHORT nIndex, PVOID pBuffer, ULONG nLength);
void UsbBuildInterruptOrBulkTransferRequest(URB* pUrb, USBD_PIPE_HANDLE hPipe, PVOID pBuffer, ULONG nLength,
                                            ULONG nTransferFlags);
// Isochronous transfer of nPackets packets of nPacketSize bytes over pBuffer; packet k lies at
// k x nPacketSize. pPackets (nPackets entries) becomes the block's packet array.
void UsbBuildIsochronousRequest(URB* pUrb, USBD_ISO_PACKET_DESCRIPTOR* pPackets, USBD_PIPE_HANDLE hPipe,
                                PVOID pBuffer, ULONG nPacketSize, ULONG nPackets, ULONG nTransferFlags);
void UsbBuildPipeRequest(URB* pUrb, USHORT nFunction, USBD_PIPE_HANDLE hPipe, USHORT nRequestLength);
void UsbBuildFeatureRequest(URB* pUrb, USHORT nFunction, USHORT nFeatureSelector, USHORT nIndex);
void UsbBuildGetCurrentFrameNumberRequest(URB* pUrb);
// A select-configuration request without a descriptor unconfigures the device.
void UsbBuildSelectConfigurationRequest(URB* pUrb, const USB_CONFIGURATION_DESCRIPTOR* pConfiguration,
                                        USBD_INTERFACE_INFORMATION* pInterface);
void UsbBuildSelectInterfaceRequest(URB* pUrb, USBD_CONFIGURATION_HANDLE hConfiguration,
                                    USBD_INTERFACE_INFORMATION* pInterface);

// The next descriptor of type nType at or after pStart within the nTotalBytes of the
// configuration descriptor, or null. Descriptors that claim a length of 0 or run past the
// end stop the walk.
const USB_COMMON_DESCRIPTOR* USBD_ParseDescriptors(const void* pConfiguration, ULONG nTotalBytes,
                                                    const void* pStart, UCHAR nType);
// The first interface descriptor at or after pStart that matches every criterion that is
// not -1, or null.
const USB_INTERFACE_DESCRIPTOR* USBD_ParseConfigurationDescriptorEx(const USB_CONFIGURATION_DESCRIPTOR* pConfiguration,
                                                                    ULONG nTotalBytes, const void* pStart,
                                                                    LONG nInterfaceNumber, LONG nAlternateSetting,
                                                                    LONG nClass, LONG nSubClass, LONG nProtocol);

// A select-configuration request for one interface, with the interface information it fills.
struct USBD_CONFIGURATION_REQUEST {
    URB Urb;
    USBD_INTERFACE_INFORMATION Interface;
};
// Builds the request for the interface of pEntry (pool memory with nTag); sets
// pEntry->Interface to the request's interface information, whose Length and
// NumberOfPipes follow the interface's endpoints and whose largest transfers are
// nDefaultMaxTransfer. Null when the allocation fails or the interface has more endpoints
// than USBD_MAX_PIPES.
CKsPoolPtr<USBD_CONFIGURATION_REQUEST> USBD_CreateConfigurationRequestEx(
    CKsPool& pool, ULONG nTag, const USB_CONFIGURATION_DESCRIPTOR* pConfiguration, USBD_INTERFACE_LIST_ENTRY* pEntry,
    ULONG nDefaultMaxTransfer);

// Fills pInterface (class, handle, pipe table) from the nLength bytes of a configuration
// descriptor for the interface number and alternate setting it names; handles carry
// nGeneration so that every selection makes new ones. onEndpoint, when given, sees each
// endpoint descriptor of the interface. USBD_STATUS_INVALID_PARAMETER when the setting
// or one of its endpoints is missing.
USBD_STATUS UsbdFillInterfaceInformation(const UCHAR* pConfiguration, ULONG nLength, ULONG nGeneration,
                                         USBD_INTERFACE_INFORMATION* pInterface,
                                         const std::function<void(const USB_ENDPOINT_DESCRIPTOR&)>& onEndpoint = {});
