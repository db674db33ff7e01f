#include "app/camera/camera_transfer.h"

#include "app/camera/camera_device.h"
#include "driver/camera_protocol.h"

#include <algorithm>
#include <cstring>

int Transfer(const CDeviceHandle& device, DWORD dwIoControlCode, DWORD nPipe, void* pBuffer, DWORD nLength,
             int nFailure, CTransferStatus* pStatus)
{
    if (pBuffer == nullptr)
        return CAM_ERR_NULL_BUFFER;
    if (!device.IsValid())
        return CAM_ERR_NO_HANDLE;
    DWORD dwReturned = 0;
    const NTSTATUS status = device.IoControl(dwIoControlCode, &nPipe, sizeof nPipe, pBuffer, nLength, &dwReturned);
    if (pStatus != nullptr)
        *pStatus = CTransferStatus{status, dwReturned};
    return NT_SUCCESS(status) && dwReturned == nLength ? CAM_OK : nFailure;
}

int SendCommand(const CDeviceHandle& device, const BYTE* pCommand, std::size_t nCount)
{
    if (pCommand == nullptr)
        return CAM_ERR_NULL_BUFFER;
    BYTE message[CAM_MESSAGE_SIZE] = {};
    std::memcpy(message, pCommand, std::min(nCount, CAM_MESSAGE_SIZE));
    return Transfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_COMMAND, message, CAM_MESSAGE_SIZE, CAM_ERR_COMMAND);
}

int ReceiveReply(const CDeviceHandle& device, BYTE* pReply)
{
    return Transfer(device, IOCTL_CAM_PIPE_READ, CAM_PIPE_REPLY, pReply, CAM_MESSAGE_SIZE, CAM_ERR_COMMAND);
}
