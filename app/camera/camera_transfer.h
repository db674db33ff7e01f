// The one primitive by which the camera library reaches the camera: a transfer on
// one of its pipes through the driver's pipe requests, and the 64-byte command and
// reply exchanges built on it.
#pragma once

#include "platform/devio.h"
#include "platform/win_types.h"

#include <cstddef>

// Moves nLength bytes to (bToDevice) or from pipe nPipe. 0 on success, -1 when the
// request failed, -2 for a null buffer, -3 for an invalid handle; *pdwReturned gets
// the byte count the driver reported.
int Transfer(const CDeviceHandle& device, DWORD nPipe, void* pBuffer, DWORD nLength, bool bToDevice,
             DWORD* pdwReturned);

// Sends the command code and at most 63 parameter bytes (pCommand[0..nCount)) as
// one 64-byte message on the command pipe. 0, or 12 when it did not move 64 bytes,
// 10 for an invalid handle.
int SendCommand(const CDeviceHandle& device, const BYTE* pCommand, std::size_t nCount);

// Reads one 64-byte reply from the reply pipe into pReply; results as SendCommand.
int ReceiveReply(const CDeviceHandle& device, BYTE* pReply);
