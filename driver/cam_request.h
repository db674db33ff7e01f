// One device control request as the camera driver's handlers see it: its buffers and lengths,
// and little-endian reads of the input.
#pragma once

#include "driver/cam_device_extension.h"

struct CAM_REQUEST {
    CAM_DEVICE_EXTENSION* pExt;
    IRP* pIrp;
    ULONG nCode;
    UCHAR* pSystem;  // buffered input, and buffered output of METHOD_BUFFERED requests
    ULONG nIn;       // input length
    ULONG nOut;      // output length
    UCHAR* pDirect;  // the caller's output buffer of direct requests (null if none)
    ULONG nDirect;   // its length
    ULONG_PTR nInformation = 0; // the returned byte count

    USHORT InWord(ULONG nOffset) const { return static_cast<USHORT>(pSystem[nOffset] | pSystem[nOffset + 1] << 8); }
    ULONG InLong(ULONG nOffset) const
    {
        return static_cast<ULONG>(InWord(nOffset)) | static_cast<ULONG>(InWord(nOffset + 2)) << 16;
    }
    void PutLong(ULONG nOffset, ULONG nValue) const
    {
        for (int i = 0; i < 4; ++i)
            pSystem[nOffset + i] = static_cast<UCHAR>(nValue >> (8 * i));
    }
};

// Handlers of the USB-level requests (lorvidex07_ioctl_usb.cpp).
NTSTATUS CamRequestVendor(CAM_REQUEST& request);
NTSTATUS CamRequestDownload512(CAM_REQUEST& request);
NTSTATUS CamRequestDownload64(CAM_REQUEST& request);
NTSTATUS CamRequestControl(CAM_REQUEST& request);
NTSTATUS CamRequestStringDescriptor(CAM_REQUEST& request);
NTSTATUS CamRequestFrameNumber(CAM_REQUEST& request);
NTSTATUS CamRequestSetFeature(CAM_REQUEST& request);

// Isochronous transfers and the stream (lorvidex07_iso_transfer.cpp, lorvidex07_iso_stream.cpp).
NTSTATUS CamRequestIsoTransfer(CAM_REQUEST& request);
NTSTATUS CamRequestStartIsoStream(CAM_REQUEST& request);
NTSTATUS CamRequestStopIsoStream(CAM_REQUEST& request);
NTSTATUS CamRequestReadIsoStream(CAM_REQUEST& request);
