// The one primitive by which the camera library reaches the camera: a transfer on
// one of its pipes through the driver's pipe requests, and the 64-byte command and
// reply exchanges built on it. Results are the library's codes (camera_device.h).
#pragma once

#include "platform/devio.h"
#include "platform/win_types.h"

#include <cstddef>

// What the driver answered to one pipe request, for whoever logs a failure.
struct CTransferStatus {
    NTSTATUS Status = STATUS_SUCCESS;
    DWORD dwReturned = 0; // the byte count the driver reported
};

// Moves nLength bytes through pipe nPipe with the pipe request dwIoControlCode
// (IOCTL_CAM_PIPE_WRITE or IOCTL_CAM_PIPE_READ; the driver takes the direction from
// the pipe). CAM_OK when the request succeeded and moved exactly nLength bytes;
// nFailure, the caller's code for a failed or short transfer (CAM_ERR_COMMAND,
// CAM_ERR_FRAME); CAM_ERR_NULL_BUFFER, CAM_ERR_NO_HANDLE without a request. pStatus
// (may be null) gets what the driver answered when a request was made.
int Transfer(const CDeviceHandle& device, DWORD dwIoControlCode, DWORD nPipe, void* pBuffer, DWORD nLength,
             int nFailure, CTransferStatus* pStatus = nullptr);

// Sends the command code and at most 63 parameter bytes (pCommand[0..nCount)) as
// one 64-byte message on the command pipe.
// CAM_OK, CAM_ERR_NO_HANDLE, CAM_ERR_NULL_BUFFER, CAM_ERR_COMMAND.
int SendCommand(const CDeviceHandle& device, const BYTE* pCommand, std::size_t nCount);

// Reads one 64-byte reply from the reply pipe into pReply.
// CAM_OK, CAM_ERR_NO_HANDLE, CAM_ERR_NULL_BUFFER, CAM_ERR_COMMAND.
int ReceiveReply(const CDeviceHandle& device, BYTE* pReply);
