// Lorvidex07Drv: request blocks to the USB stack, configuration, and the pipe table.
#include "driver/cam_device_extension.h"
#include "driver/camera_protocol.h"
#include "driver/usb_pdo.h"
#include "driver/usbd_helpers.h"

#include <algorithm>
#include <cstring>

void CamStartUrb(CAM_DEVICE_EXTENSION* pExt, CAM_URB_CALL* pCall, URB* pUrb)
{
    KeInitializeEvent(&pCall->Done, NotificationEvent, 0);
    IoInitializeIrp(&pCall->Irp, pExt->LowerDeviceObject->StackSize);
    pCall->Irp.UserEvent = &pCall->Done;
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(&pCall->Irp);
    pNext->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    pNext->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    pNext->Parameters.Others.Argument1 = pUrb;
    IoCallDriver(pExt->LowerDeviceObject, &pCall->Irp);
}

NTSTATUS CamFinishUrb(CAM_DEVICE_EXTENSION* pExt, CAM_URB_CALL* pCall, URB* pUrb, const LARGE_INTEGER* pTimeout)
{
    // The request always completes through the event, also when it ended at once.
    bool bTimedOut = false;
    if (KeWaitForSingleObject(&pCall->Done, pTimeout) == STATUS_TIMEOUT) {
        // The platform raises to APC level around the cancel; nothing here needs it.
        IoCancelIrp(&pCall->Irp);
        KeWaitForSingleObject(&pCall->Done, nullptr);
        bTimedOut = true;
    }
    NTSTATUS status = bTimedOut ? STATUS_IO_TIMEOUT : pCall->Irp.IoStatus.Status;
    if (!USBD_SUCCESS(pUrb->UrbHeader.Status)) {
        pExt->LastUsbStatus = static_cast<ULONG>(pUrb->UrbHeader.Status);
        if (NT_SUCCESS(status))
            status = STATUS_UNSUCCESSFUL;
    }
    return status;
}

NTSTATUS CamCallUsbd(CAM_DEVICE_EXTENSION* pExt, URB* pUrb)
{
    CAM_URB_CALL call;
    CamStartUrb(pExt, &call, pUrb);
    return CamFinishUrb(pExt, &call, pUrb, nullptr);
}

NTSTATUS CamGetDescriptor(CAM_DEVICE_EXTENSION* pExt, UCHAR nType, UCHAR nIndex, USHORT nLanguage, PVOID pBuffer,
                          ULONG nLength, ULONG* pnReceived)
{
    URB urb;
    UsbBuildGetDescriptorRequest(&urb, nType, nIndex, nLanguage, pBuffer, nLength);
    NTSTATUS status = CamCallUsbd(pExt, &urb);
    *pnReceived = NT_SUCCESS(status) ? std::min(urb.UrbControlDescriptorRequest.TransferBufferLength, nLength) : 0;
    return status;
}

NTSTATUS CamVendorRequest(CAM_DEVICE_EXTENSION* pExt, UCHAR nRequest, USHORT nValue, USHORT nIndex, bool bIn,
                          PVOID pBuffer, ULONG nLength, ULONG* pnTransferred)
{
    URB urb;
    UsbBuildVendorRequest(&urb, URB_FUNCTION_VENDOR_DEVICE,
                          bIn ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : 0, nRequest, nValue, nIndex,
                          pBuffer, nLength);
    NTSTATUS status = CamCallUsbd(pExt, &urb);
    if (pnTransferred)
        *pnTransferred =
            NT_SUCCESS(status) ? std::min(urb.UrbControlVendorClassRequest.TransferBufferLength, nLength) : 0;
    return status;
}

NTSTATUS CamReadDeviceDescriptor(CAM_DEVICE_EXTENSION* pExt)
{
    auto pDescriptor = CKsPoolPtr<USB_DEVICE_DESCRIPTOR>::Allocate(CamPool(pExt), CAM_POOL_TAG);
    if (!pDescriptor)
        return STATUS_NO_MEMORY;
    ULONG nReceived = 0;
    NTSTATUS status = CamGetDescriptor(pExt, USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, pDescriptor.get(),
                                       sizeof(USB_DEVICE_DESCRIPTOR), &nReceived);
    if (NT_SUCCESS(status))
        pExt->DeviceDescriptor = std::move(pDescriptor); // a restart replaces the earlier copy
    return status;
}

namespace {

// Stores a new pipe table; the one it replaces is freed after the lock.
void StorePipeTable(CAM_DEVICE_EXTENSION* pExt, CKsPoolPtr<USBD_INTERFACE_INFORMATION> pTable,
                    USBD_CONFIGURATION_HANDLE hConfiguration)
{
    CKsSpinLockGuard lock(&pExt->PipeLock);
    std::swap(pExt->InterfaceInformation, pTable);
    pExt->ConfigurationHandle = hConfiguration;
}

CKsPoolPtr<USBD_INTERFACE_INFORMATION> CopyInterface(CAM_DEVICE_EXTENSION* pExt,
                                                     const USBD_INTERFACE_INFORMATION& source)
{
    auto pCopy = CKsPoolPtr<USBD_INTERFACE_INFORMATION>::Allocate(CamPool(pExt), CAM_POOL_TAG);
    if (pCopy)
        std::memcpy(pCopy.get(), &source, sizeof source);
    return pCopy;
}

// Reads the whole configuration descriptor: 265 bytes first, again with its total length
// when that is larger. Good when the bytes received cover the total length.
NTSTATUS ReadWholeConfiguration(CAM_DEVICE_EXTENSION* pExt, KS_POOL_BLOCK* pBlock, ULONG* pnTotal)
{
    ULONG nSize = 265;
    for (int nTry = 0; nTry < 2; ++nTry) {
        *pBlock = CamPool(pExt).Allocate(NonPagedPool, nSize, CAM_POOL_TAG);
        if (!*pBlock)
            return STATUS_NO_MEMORY;
        ULONG nReceived = 0;
        NTSTATUS status = CamGetDescriptor(pExt, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, pBlock->get(), nSize,
                                           &nReceived);
        if (!NT_SUCCESS(status))
            return status;
        const auto* pConfiguration = reinterpret_cast<const USB_CONFIGURATION_DESCRIPTOR*>(pBlock->get());
        const ULONG nTotal = pConfiguration->wTotalLength;
        if (nReceived < sizeof(USB_CONFIGURATION_DESCRIPTOR) || nTotal < sizeof(USB_CONFIGURATION_DESCRIPTOR))
            return STATUS_UNSUCCESSFUL;
        if (nTotal <= nSize) {
            *pnTotal = nTotal;
            return nReceived >= nTotal ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
        }
        nSize = nTotal;
    }
    return STATUS_UNSUCCESSFUL;
}

} // namespace

NTSTATUS CamConfigureDevice(CAM_DEVICE_EXTENSION* pExt)
{
    CKsPool& pool = CamPool(pExt);
    auto pHead = CKsPoolPtr<USB_CONFIGURATION_DESCRIPTOR>::Allocate(pool, CAM_POOL_TAG);
    if (!pHead)
        return STATUS_NO_MEMORY;
    ULONG nReceived = 0;
    NTSTATUS status = CamGetDescriptor(pExt, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, pHead.get(),
                                       sizeof(USB_CONFIGURATION_DESCRIPTOR), &nReceived);
    if (!NT_SUCCESS(status))
        return status;
    const ULONG nTotal = pHead->wTotalLength;
    if (nReceived < sizeof(USB_CONFIGURATION_DESCRIPTOR) || nTotal < sizeof(USB_CONFIGURATION_DESCRIPTOR))
        return STATUS_UNSUCCESSFUL;

    auto pConfiguration = CKsPoolPtr<USB_CONFIGURATION_DESCRIPTOR>::Allocate(pool, CAM_POOL_TAG, nTotal + 16);
    if (!pConfiguration)
        return STATUS_NO_MEMORY;
    status = CamGetDescriptor(pExt, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, pConfiguration.get(), nTotal + 16,
                              &nReceived);
    if (!NT_SUCCESS(status))
        return status;
    const ULONG nUsable = std::min(nReceived, nTotal);
    USBD_INTERFACE_LIST_ENTRY interfaces{
        USBD_ParseConfigurationDescriptorEx(pConfiguration.get(), nUsable, pConfiguration.get(), -1, -1, -1, -1, -1),
        nullptr};
    if (!interfaces.InterfaceDescriptor)
        return STATUS_UNSUCCESSFUL;
    auto pRequest = USBD_CreateConfigurationRequestEx(pool, CAM_POOL_TAG, pConfiguration.get(), &interfaces,
                                                      CAM_OTHER_PIPE_MAX_TRANSFER);
    if (!pRequest)
        return STATUS_NO_MEMORY;
    for (ULONG i = 0; i < interfaces.Interface->NumberOfPipes; ++i)
        interfaces.Interface->Pipes[i].MaximumTransferSize =
            i == CAM_PIPE_IMAGE ? CAM_IMAGE_PIPE_MAX_TRANSFER : CAM_OTHER_PIPE_MAX_TRANSFER;

    status = CamCallUsbd(pExt, &pRequest->Urb);
    if (!NT_SUCCESS(status))
        return status;
    auto pTable = CopyInterface(pExt, *interfaces.Interface);
    if (!pTable)
        return STATUS_NO_MEMORY;
    StorePipeTable(pExt, std::move(pTable), pRequest->Urb.UrbSelectConfiguration.ConfigurationHandle);
    return STATUS_SUCCESS;
}

NTSTATUS CamUnconfigureDevice(CAM_DEVICE_EXTENSION* pExt)
{
    URB urb;
    UsbBuildSelectConfigurationRequest(&urb, nullptr, nullptr);
    NTSTATUS status = CamCallUsbd(pExt, &urb);
    // The pipe table stays until removal, but without a configuration it names no pipes.
    CKsSpinLockGuard lock(&pExt->PipeLock);
    pExt->ConfigurationHandle = 0;
    return status;
}

NTSTATUS CamSelectInterface(CAM_DEVICE_EXTENSION* pExt, UCHAR nInterface, UCHAR nAlternate)
{
    USBD_CONFIGURATION_HANDLE hConfiguration = 0;
    {
        CKsSpinLockGuard lock(&pExt->PipeLock);
        hConfiguration = pExt->ConfigurationHandle;
    }
    KS_POOL_BLOCK block(nullptr, CKsPoolFree{});
    ULONG nTotal = 0;
    NTSTATUS status = ReadWholeConfiguration(pExt, &block, &nTotal);
    if (!NT_SUCCESS(status))
        return status;
    const auto* pConfiguration = reinterpret_cast<const USB_CONFIGURATION_DESCRIPTOR*>(block.get());
    USBD_INTERFACE_LIST_ENTRY interfaces{
        USBD_ParseConfigurationDescriptorEx(pConfiguration, nTotal, pConfiguration, nInterface, nAlternate, -1, -1, -1),
        nullptr};
    if (!interfaces.InterfaceDescriptor)
        return STATUS_UNSUCCESSFUL;
    auto pRequest = USBD_CreateConfigurationRequestEx(CamPool(pExt), CAM_POOL_TAG, pConfiguration, &interfaces, 0xFFFF);
    if (!pRequest)
        return STATUS_NO_MEMORY;
    UsbBuildSelectInterfaceRequest(&pRequest->Urb, hConfiguration, interfaces.Interface);
    status = CamCallUsbd(pExt, &pRequest->Urb);
    if (!NT_SUCCESS(status))
        return status;
    auto pTable = CopyInterface(pExt, *interfaces.Interface);
    if (!pTable)
        return STATUS_NO_MEMORY;
    StorePipeTable(pExt, std::move(pTable), hConfiguration);
    return STATUS_SUCCESS;
}

NTSTATUS CamGetPipe(CAM_DEVICE_EXTENSION* pExt, ULONG nIndex, USBD_PIPE_INFORMATION* pPipe,
                    USBD_PIPE_INFORMATION* pCommandPipe)
{
    CKsSpinLockGuard lock(&pExt->PipeLock);
    const USBD_INTERFACE_INFORMATION* pTable = pExt->InterfaceInformation.get();
    if (!pExt->ConfigurationHandle || !pTable)
        return STATUS_UNSUCCESSFUL;
    if (nIndex >= pTable->NumberOfPipes || nIndex >= USBD_MAX_PIPES)
        return STATUS_INVALID_PARAMETER;
    *pPipe = pTable->Pipes[nIndex];
    if (pCommandPipe)
        *pCommandPipe = pTable->Pipes[0];
    return STATUS_SUCCESS;
}

NTSTATUS CamPipeRequest(CAM_DEVICE_EXTENSION* pExt, USHORT nFunction, ULONG nIndex)
{
    USBD_PIPE_INFORMATION pipe{};
    NTSTATUS status = CamGetPipe(pExt, nIndex, &pipe, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    USBD_VERSION_INFORMATION version{};
    USBD_GetUSBDIVersion(pExt->PhysicalDeviceObject, &version);
    URB urb;
    UsbBuildPipeRequest(&urb, nFunction, pipe.PipeHandle,
                        version.USBDI_Version <= 0x100 ? URB_PIPE_REQUEST_LENGTH_V1 : URB_PIPE_REQUEST_LENGTH);
    return CamCallUsbd(pExt, &urb);
}

void CamAbortAllPipes(CAM_DEVICE_EXTENSION* pExt)
{
    ULONG nPipes = 0;
    {
        CKsSpinLockGuard lock(&pExt->PipeLock);
        if (pExt->InterfaceInformation)
            nPipes = std::min(pExt->InterfaceInformation->NumberOfPipes, USBD_MAX_PIPES);
    }
    for (ULONG i = 0; i < nPipes; ++i)
        CamPipeRequest(pExt, URB_FUNCTION_ABORT_PIPE, i);
}

NTSTATUS CamResetPort(CAM_DEVICE_EXTENSION* pExt)
{
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, 0);
    IRP irp;
    IoInitializeIrp(&irp, pExt->LowerDeviceObject->StackSize);
    irp.UserEvent = &done;
    IO_STACK_LOCATION* pNext = IoGetNextIrpStackLocation(&irp);
    pNext->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    pNext->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_RESET_PORT;
    IoCallDriver(pExt->LowerDeviceObject, &irp);
    KeWaitForSingleObject(&done, nullptr);
    return irp.IoStatus.Status;
}
