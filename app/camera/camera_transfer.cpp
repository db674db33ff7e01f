#include "app/camera/camera_transfer.h"

#include "app/camera/camera_device.h"
#include "driver/camera_protocol.h"

#include <algorithm>
#include <cstring>

int Transfer(const CDeviceHandle& device, DWORD nPipe, void* pBuffer, DWORD nLength, bool bToDevice,
             DWORD* pdwReturned)
{
    if (pBuffer == nullptr)
        return -2;
    if (!device.IsValid())
        return -3;
    DWORD dwReturned = 0;
    const NTSTATUS status = device.IoControl(bToDevice ? IOCTL_CAM_PIPE_WRITE : IOCTL_CAM_PIPE_READ, &nPipe,
                                             sizeof nPipe, pBuffer, nLength, &dwReturned);
    if (pdwReturned != nullptr)
        *pdwReturned = dwReturned;
    return NT_SUCCESS(status) ? 0 : -1;
}

int SendCommand(const CDeviceHandle& device, const BYTE* pCommand, std::size_t nCount)
{
    if (!device.IsValid())
        return CAM_ERR_NO_HANDLE;
    BYTE message[CAM_MESSAGE_SIZE] = {};
    std::memcpy(message, pCommand, std::min(nCount, CAM_MESSAGE_SIZE));
    DWORD dwMoved = 0;
    if (Transfer(device, CAM_PIPE_COMMAND, message, CAM_MESSAGE_SIZE, true, &dwMoved) != 0 ||
        dwMoved != CAM_MESSAGE_SIZE)
        return CAM_ERR_COMMAND;
    return CAM_OK;
}

int ReceiveReply(const CDeviceHandle& device, BYTE* pReply)
{
    if (!device.IsValid())
        return CAM_ERR_NO_HANDLE;
    DWORD dwMoved = 0;
    if (Transfer(device, CAM_PIPE_REPLY, pReply, CAM_MESSAGE_SIZE, false, &dwMoved) != 0 || dwMoved != CAM_MESSAGE_SIZE)
        return CAM_ERR_COMMAND;
    return CAM_OK;
}
