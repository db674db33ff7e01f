// USB vocabulary of the driver's lower edge: descriptors, pipe information, request blocks
// (URBs) and USBD status codes.
#pragma once

#include "driver/kernel/ks_base.h"
#include "platform/devio_ioctl.h"

#include <cstddef>

using USBD_STATUS = LONG;
constexpr USBD_STATUS USBD_STATUS_SUCCESS = 0x00000000;
constexpr USBD_STATUS USBD_STATUS_PENDING = 0x40000000;
constexpr USBD_STATUS USBD_STATUS_STALL_PID = static_cast<USBD_STATUS>(0xC0000004);
constexpr USBD_STATUS USBD_STATUS_DEV_NOT_RESPONDING = static_cast<USBD_STATUS>(0xC0000005);
constexpr USBD_STATUS USBD_STATUS_CANCELED = static_cast<USBD_STATUS>(0xC0010000);
constexpr USBD_STATUS USBD_STATUS_DEVICE_GONE = static_cast<USBD_STATUS>(0xC0007000);
constexpr USBD_STATUS USBD_STATUS_INSUFFICIENT_RESOURCES = static_cast<USBD_STATUS>(0xC0001000);
constexpr USBD_STATUS USBD_STATUS_INVALID_URB_FUNCTION = static_cast<USBD_STATUS>(0x80000200);
constexpr USBD_STATUS USBD_STATUS_INVALID_PARAMETER = static_cast<USBD_STATUS>(0x80000300);
constexpr USBD_STATUS USBD_STATUS_INVALID_PIPE_HANDLE = static_cast<USBD_STATUS>(0x80000600);
constexpr USBD_STATUS USBD_STATUS_ERROR_BUSY = static_cast<USBD_STATUS>(0x80000400);
constexpr USBD_STATUS USBD_STATUS_INTERNAL_HC_ERROR = static_cast<USBD_STATUS>(0x80000900);
constexpr USBD_STATUS USBD_STATUS_DATA_OVERRUN = static_cast<USBD_STATUS>(0xC0000008);
constexpr USBD_STATUS USBD_STATUS_XACT_ERROR = static_cast<USBD_STATUS>(0xC0000011);
constexpr USBD_STATUS USBD_STATUS_BABBLE_DETECTED = static_cast<USBD_STATUS>(0xC0000012);
constexpr USBD_STATUS USBD_STATUS_ERROR_SHORT_TRANSFER = static_cast<USBD_STATUS>(0xC0000900);
constexpr USBD_STATUS USBD_STATUS_ISOCH_REQUEST_FAILED = static_cast<USBD_STATUS>(0xC0000B00);
constexpr USBD_STATUS USBD_STATUS_NOT_SUPPORTED = static_cast<USBD_STATUS>(0xC0000E00);
constexpr USBD_STATUS USBD_STATUS_TIMEOUT = static_cast<USBD_STATUS>(0xC0006000);
constexpr bool USBD_SUCCESS(USBD_STATUS status) { return status >= 0; }

constexpr UCHAR USB_DEVICE_DESCRIPTOR_TYPE = 1;
constexpr UCHAR USB_CONFIGURATION_DESCRIPTOR_TYPE = 2;
constexpr UCHAR USB_STRING_DESCRIPTOR_TYPE = 3;
constexpr UCHAR USB_INTERFACE_DESCRIPTOR_TYPE = 4;
constexpr UCHAR USB_ENDPOINT_DESCRIPTOR_TYPE = 5;
constexpr UCHAR USB_ENDPOINT_DIRECTION_MASK = 0x80;
constexpr bool USB_ENDPOINT_DIRECTION_IN(UCHAR address) { return (address & USB_ENDPOINT_DIRECTION_MASK) != 0; }

// Descriptors exactly as the device sends them (little-endian, packed).
#pragma pack(push, 1)
struct USB_COMMON_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
};
struct USB_DEVICE_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdUSB;
    UCHAR bDeviceClass;
    UCHAR bDeviceSubClass;
    UCHAR bDeviceProtocol;
    UCHAR bMaxPacketSize0;
    USHORT idVendor;
    USHORT idProduct;
    USHORT bcdDevice;
    UCHAR iManufacturer;
    UCHAR iProduct;
    UCHAR iSerialNumber;
    UCHAR bNumConfigurations;
};
struct USB_CONFIGURATION_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT wTotalLength;
    UCHAR bNumInterfaces;
    UCHAR bConfigurationValue;
    UCHAR iConfiguration;
    UCHAR bmAttributes;
    UCHAR MaxPower;
};
struct USB_INTERFACE_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bInterfaceNumber;
    UCHAR bAlternateSetting;
    UCHAR bNumEndpoints;
    UCHAR bInterfaceClass;
    UCHAR bInterfaceSubClass;
    UCHAR bInterfaceProtocol;
    UCHAR iInterface;
};
struct USB_ENDPOINT_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bEndpointAddress;
    UCHAR bmAttributes;
    USHORT wMaxPacketSize;
    UCHAR bInterval;
};
#pragma pack(pop)
static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18);
static_assert(sizeof(USB_CONFIGURATION_DESCRIPTOR) == 9);
static_assert(sizeof(USB_INTERFACE_DESCRIPTOR) == 9);
static_assert(sizeof(USB_ENDPOINT_DESCRIPTOR) == 7);

enum USBD_PIPE_TYPE : ULONG {
    UsbdPipeTypeControl = 0,
    UsbdPipeTypeIsochronous = 1,
    UsbdPipeTypeBulk = 2,
    UsbdPipeTypeInterrupt = 3,
};

// Handles the bus hands out are 32-bit values here, so the interface information has one
// fixed layout (16-byte header, 20 bytes per pipe) wherever it is copied to.
using USBD_PIPE_HANDLE = ULONG;
using USBD_CONFIGURATION_HANDLE = ULONG;
using USBD_INTERFACE_HANDLE = ULONG;

struct USBD_PIPE_INFORMATION {
    USHORT MaximumPacketSize;
    UCHAR EndpointAddress; // bit 7 set: IN
    UCHAR Interval;
    USBD_PIPE_TYPE PipeType;
    USBD_PIPE_HANDLE PipeHandle;
    ULONG MaximumTransferSize; // set by the driver before the selection
    ULONG PipeFlags;
};
static_assert(sizeof(USBD_PIPE_INFORMATION) == 20);

constexpr ULONG USBD_MAX_PIPES = 30;
constexpr USHORT GET_USBD_INTERFACE_SIZE(ULONG nEndpoints) { return static_cast<USHORT>(16 + 20 * nEndpoints); }

// One interface with its pipes. Length counts the header and the NumberOfPipes entries in
// use; the array has room for every endpoint an interface may have.
struct USBD_INTERFACE_INFORMATION {
    USHORT Length;
    UCHAR InterfaceNumber;
    UCHAR AlternateSetting;
    UCHAR Class;
    UCHAR SubClass;
    UCHAR Protocol;
    UCHAR Reserved;
    USBD_INTERFACE_HANDLE InterfaceHandle;
    ULONG NumberOfPipes;
    USBD_PIPE_INFORMATION Pipes[USBD_MAX_PIPES];
};
static_assert(offsetof(USBD_INTERFACE_INFORMATION, Pipes) == 16);

struct USBD_INTERFACE_LIST_ENTRY {
    const USB_INTERFACE_DESCRIPTOR* InterfaceDescriptor;
    USBD_INTERFACE_INFORMATION* Interface;
};

struct USBD_VERSION_INFORMATION {
    ULONG USBDI_Version;
    ULONG Supported_USB_Version;
};

// Request block functions.
constexpr USHORT URB_FUNCTION_SELECT_CONFIGURATION = 0x0000;
constexpr USHORT URB_FUNCTION_SELECT_INTERFACE = 0x0001;
constexpr USHORT URB_FUNCTION_ABORT_PIPE = 0x0002;
constexpr USHORT URB_FUNCTION_GET_CURRENT_FRAME_NUMBER = 0x0007;
constexpr USHORT URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER = 0x0009;
constexpr USHORT URB_FUNCTION_ISOCH_TRANSFER = 0x000A;
constexpr USHORT URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE = 0x000B;
constexpr USHORT URB_FUNCTION_SET_FEATURE_TO_DEVICE = 0x000D;
constexpr USHORT URB_FUNCTION_VENDOR_DEVICE = 0x0017;
constexpr USHORT URB_FUNCTION_VENDOR_INTERFACE = 0x0018;
constexpr USHORT URB_FUNCTION_VENDOR_ENDPOINT = 0x0019;
constexpr USHORT URB_FUNCTION_CLASS_DEVICE = 0x001A;
constexpr USHORT URB_FUNCTION_CLASS_INTERFACE = 0x001B;
constexpr USHORT URB_FUNCTION_CLASS_ENDPOINT = 0x001C;
constexpr USHORT URB_FUNCTION_RESET_PIPE = 0x001E;
constexpr USHORT URB_FUNCTION_CLASS_OTHER = 0x001F;
constexpr USHORT URB_FUNCTION_VENDOR_OTHER = 0x0020;

constexpr ULONG USBD_TRANSFER_DIRECTION_IN = 0x00000001;
constexpr ULONG USBD_SHORT_TRANSFER_OK = 0x00000002;
constexpr ULONG USBD_START_ISO_TRANSFER_ASAP = 0x00000004;

// One packet of an isochronous transfer, as the USB stack reports it (12 bytes): the
// packet's offset in the transfer buffer (set by the submitter), the bytes received or
// sent, and the packet's USB status.
struct USBD_ISO_PACKET_DESCRIPTOR {
    ULONG Offset;
    ULONG Length;
    USBD_STATUS Status;
};
static_assert(sizeof(USBD_ISO_PACKET_DESCRIPTOR) == 12);

// Lengths of the pipe request block: the current one, and the one of interface versions
// 0x100 and lower.
constexpr USHORT URB_PIPE_REQUEST_LENGTH = 24;
constexpr USHORT URB_PIPE_REQUEST_LENGTH_V1 = 20;

struct URB_HEADER {
    USHORT Length = 0;
    USHORT Function = 0;
    USBD_STATUS Status = USBD_STATUS_SUCCESS;
};

// A request block. The platform's block is a union of function-specific layouts; here each
// function has its own member and UrbHeader.Function says which one counts.
struct URB {
    URB_HEADER UrbHeader;
    struct {
        const USB_CONFIGURATION_DESCRIPTOR* ConfigurationDescriptor = nullptr; // null: unconfigure
        USBD_CONFIGURATION_HANDLE ConfigurationHandle = 0;                   // out
        USBD_INTERFACE_INFORMATION* Interface = nullptr;                      // in and out
    } UrbSelectConfiguration;
    struct {
        USBD_CONFIGURATION_HANDLE ConfigurationHandle = 0;
        USBD_INTERFACE_INFORMATION* Interface = nullptr; // in and out
    } UrbSelectInterface;
    struct {
        USBD_PIPE_HANDLE PipeHandle = 0;
    } UrbPipeRequest;
    struct {
        ULONG FrameNumber = 0;
    } UrbGetCurrentFrameNumber;
    struct {
        USBD_PIPE_HANDLE PipeHandle = 0;
        ULONG TransferFlags = 0;
        ULONG TransferBufferLength = 0; // in: buffer length; out: bytes transferred
        PVOID TransferBuffer = nullptr;
    } UrbBulkOrInterruptTransfer;
    // The packet array of the platform's block follows it in memory; here the block points
    // at it (see GET_ISO_URB_SIZE).
    struct {
        USBD_PIPE_HANDLE PipeHandle = 0;
        ULONG TransferFlags = 0;
        ULONG TransferBufferLength = 0; // in: buffer length; out: bytes transferred
        PVOID TransferBuffer = nullptr;
        ULONG StartFrame = 0;
        ULONG NumberOfPackets = 0;
        ULONG ErrorCount = 0; // out: packets that failed
        USBD_ISO_PACKET_DESCRIPTOR* IsoPacket = nullptr;
    } UrbIsochronousTransfer;
    struct {
        ULONG TransferBufferLength = 0; // in: buffer length; out: bytes received
        PVOID TransferBuffer = nullptr;
        UCHAR Index = 0;
        UCHAR DescriptorType = 0;
        USHORT LanguageId = 0;
    } UrbControlDescriptorRequest;
    struct {
        ULONG TransferFlags = 0;
        ULONG TransferBufferLength = 0; // in: buffer length; out: bytes transferred
        PVOID TransferBuffer = nullptr;
        UCHAR Request = 0;
        USHORT Value = 0;
        USHORT Index = 0;
    } UrbControlVendorClassRequest;
    struct {
        USHORT FeatureSelector = 0;
        USHORT Index = 0;
    } UrbControlFeatureRequest;
};

// Bytes of an isochronous request block for nPackets packets: the block, then its packets.
constexpr std::size_t GET_ISO_URB_SIZE(ULONG nPackets)
{
    return sizeof(URB) + static_cast<std::size_t>(nPackets) * sizeof(USBD_ISO_PACKET_DESCRIPTOR);
}
// The packets behind a block of that size.
inline USBD_ISO_PACKET_DESCRIPTOR* IsoPacketsBehind(URB* pUrb)
{
    return reinterpret_cast<USBD_ISO_PACKET_DESCRIPTOR*>(reinterpret_cast<UCHAR*>(pUrb) + sizeof(URB));
}

// Internal requests to the bus driver below the function driver.
constexpr DWORD IOCTL_INTERNAL_USB_SUBMIT_URB = CTL_CODE(FILE_DEVICE_USB, 0, METHOD_NEITHER, FILE_ANY_ACCESS);
constexpr DWORD IOCTL_INTERNAL_USB_RESET_PORT = CTL_CODE(FILE_DEVICE_USB, 1, METHOD_NEITHER, FILE_ANY_ACCESS);
