// Lorvidex07Drv: device control requests that pass USB requests to the camera.
#include "driver/cam_request.h"
#include "driver/usbd_helpers.h"

#include <algorithm>

namespace {

constexpr UCHAR VENDOR_REQUEST_INTERNAL_RAM = 0xA0;
constexpr ULONG ADDRESS_SPACE = 0x10000; // a download address is a 16-bit request value

} // namespace

// Input: u8 request, u8 pad, u16 value, u16 index, u16 length, u8 direction (1 = in), u8 data.
NTSTATUS CamRequestVendor(CAM_REQUEST& request)
{
    if (request.nIn < 10)
        return STATUS_INVALID_PARAMETER;
    const UCHAR nRequest = request.pSystem[0];
    const USHORT nValue = request.InWord(2);
    const USHORT nIndex = request.InWord(4);
    const USHORT nLength = request.InWord(6);
    const bool bIn = request.pSystem[8] == 1;
    const UCHAR nData = request.pSystem[9];
    if (bIn) {
        if (nLength > request.nOut)
            return STATUS_INVALID_PARAMETER; // the reply would not fit the caller's buffer
        ULONG nReceived = 0;
        CamVendorRequest(request.pExt, nRequest, nValue, nIndex, true, request.pSystem, nLength, &nReceived);
        request.nInformation = nReceived;
        return STATUS_SUCCESS;
    }
    KS_POOL_BLOCK block = CamPool(request.pExt).Allocate(NonPagedPool, nLength, CAM_POOL_TAG);
    if (!block)
        return STATUS_NO_MEMORY;
    for (ULONG i = 0; i < nLength; ++i)
        block[i] = nLength == 1 ? nData : static_cast<UCHAR>(i);
    CamVendorRequest(request.pExt, nRequest, nValue, nIndex, false, block.get(), nLength, nullptr);
    return STATUS_SUCCESS;
}

// Whole 512-byte blocks of the input, block k to address k x 512; a remainder is ignored, and
// so are blocks beyond the 64 KB the address can name.
NTSTATUS CamRequestDownload512(CAM_REQUEST& request)
{
    const ULONG nBlocks = std::min<ULONG>(request.nIn / 512, ADDRESS_SPACE / 512);
    for (ULONG k = 0; k < nBlocks; ++k)
        CamVendorRequest(request.pExt, VENDOR_REQUEST_INTERNAL_RAM, static_cast<USHORT>(k * 512), 0, false,
                         request.pSystem + k * 512, 512, nullptr);
    return STATUS_SUCCESS;
}

// Input: u16 start address. The caller's output buffer goes out in 64-byte blocks (the last
// one shorter) until a block fails or the address space ends.
NTSTATUS CamRequestDownload64(CAM_REQUEST& request)
{
    if (request.nIn != 2 || request.nDirect == 0 || !request.pDirect)
        return STATUS_SUCCESS;
    const ULONG nStart = request.InWord(0);
    for (ULONG nOffset = 0; nOffset < request.nDirect && nStart + nOffset < ADDRESS_SPACE; nOffset += 64) {
        const ULONG nBlock = std::min<ULONG>(64, request.nDirect - nOffset);
        if (!NT_SUCCESS(CamVendorRequest(request.pExt, VENDOR_REQUEST_INTERNAL_RAM,
                                         static_cast<USHORT>(nStart + nOffset), 0, false, request.pDirect + nOffset,
                                         nBlock, nullptr)))
            break;
    }
    return STATUS_SUCCESS;
}

// Input (exactly 10 bytes): u8 direction (non-zero = in), u8 type (1 class, 2 vendor),
// u8 recipient (0 device, 1 interface, 2 endpoint, 3 other), u8 pad, u8 request, u8 pad,
// u16 value, u16 index. Data: the caller's output buffer.
NTSTATUS CamRequestControl(CAM_REQUEST& request)
{
    if (request.nIn != 10)
        return STATUS_INVALID_PARAMETER;
    static constexpr USHORT kFunctions[2][4] = {
        {URB_FUNCTION_CLASS_DEVICE, URB_FUNCTION_CLASS_INTERFACE, URB_FUNCTION_CLASS_ENDPOINT, URB_FUNCTION_CLASS_OTHER},
        {URB_FUNCTION_VENDOR_DEVICE, URB_FUNCTION_VENDOR_INTERFACE, URB_FUNCTION_VENDOR_ENDPOINT,
         URB_FUNCTION_VENDOR_OTHER}};
    const UCHAR nType = request.pSystem[1];
    const UCHAR nRecipient = request.pSystem[2];
    if (nType < 1 || nType > 2 || nRecipient > 3)
        return STATUS_INVALID_PARAMETER;
    const bool bIn = request.pSystem[0] != 0;
    URB urb;
    UsbBuildVendorRequest(&urb, kFunctions[nType - 1][nRecipient],
                          USBD_SHORT_TRANSFER_OK | (bIn ? USBD_TRANSFER_DIRECTION_IN : 0), request.pSystem[4],
                          request.InWord(6), request.InWord(8), request.pDirect, request.nDirect);
    NTSTATUS status = CamCallUsbd(request.pExt, &urb);
    if (NT_SUCCESS(status))
        request.nInformation = std::min(urb.UrbControlVendorClassRequest.TransferBufferLength, request.nDirect);
    return status;
}

// Input: u8 string index, u8 pad, u16 language id.
NTSTATUS CamRequestStringDescriptor(CAM_REQUEST& request)
{
    if (request.nIn < 4 || request.nOut == 0)
        return STATUS_INVALID_PARAMETER;
    ULONG nReceived = 0;
    CamGetDescriptor(request.pExt, USB_STRING_DESCRIPTOR_TYPE, request.pSystem[0], request.InWord(2),
                     request.pSystem, request.nOut, &nReceived);
    if (nReceived == 0)
        return STATUS_UNSUCCESSFUL;
    request.nInformation = nReceived;
    return STATUS_SUCCESS;
}

NTSTATUS CamRequestFrameNumber(CAM_REQUEST& request)
{
    if (request.nOut < sizeof(ULONG))
        return STATUS_INVALID_PARAMETER;
    URB urb;
    UsbBuildGetCurrentFrameNumberRequest(&urb);
    NTSTATUS status = CamCallUsbd(request.pExt, &urb);
    const ULONG nFrame = NT_SUCCESS(status) ? urb.UrbGetCurrentFrameNumber.FrameNumber : 0;
    if (nFrame == 0)
        return STATUS_UNSUCCESSFUL;
    request.PutLong(0, nFrame);
    request.nInformation = sizeof(ULONG);
    return STATUS_SUCCESS;
}

// Input (exactly 4 bytes): u16 feature selector, u16 index. Answers the request's status.
NTSTATUS CamRequestSetFeature(CAM_REQUEST& request)
{
    if (request.nIn != 4)
        return STATUS_INVALID_PARAMETER;
    URB urb;
    UsbBuildFeatureRequest(&urb, URB_FUNCTION_SET_FEATURE_TO_DEVICE, request.InWord(0), request.InWord(2));
    return CamCallUsbd(request.pExt, &urb);
}
