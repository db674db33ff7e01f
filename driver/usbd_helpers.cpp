#include "driver/usbd_helpers.h"

#include <algorithm>
#include <cstring>

void UsbBuildGetDescriptorRequest(URB* pUrb, UCHAR nDescriptorType, UCHAR nIndex, USHORT nLanguageId,
                                  PVOID pBuffer, ULONG nLength)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
    pUrb->UrbControlDescriptorRequest.DescriptorType = nDescriptorType;
    pUrb->UrbControlDescriptorRequest.Index = nIndex;
    pUrb->UrbControlDescriptorRequest.LanguageId = nLanguageId;
    pUrb->UrbControlDescriptorRequest.TransferBuffer = pBuffer;
    pUrb->UrbControlDescriptorRequest.TransferBufferLength = nLength;
}

void UsbBuildVendorRequest(URB* pUrb, USHORT nFunction, ULONG nTransferFlags, UCHAR nRequest, USHORT nValue,
                           USHORT nIndex, PVOID pBuffer, ULONG nLength)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = nFunction;
    pUrb->UrbControlVendorClassRequest.TransferFlags = nTransferFlags;
    pUrb->UrbControlVendorClassRequest.Request = nRequest;
    pUrb->UrbControlVendorClassRequest.Value = nValue;
    pUrb->UrbControlVendorClassRequest.Index = nIndex;
    pUrb->UrbControlVendorClassRequest.TransferBuffer = pBuffer;
    pUrb->UrbControlVendorClassRequest.TransferBufferLength = nLength;
}

void UsbBuildInterruptOrBulkTransferRequest(URB* pUrb, USBD_PIPE_HANDLE hPipe, PVOID pBuffer, ULONG nLength,
                                            ULONG nTransferFlags)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    pUrb->UrbBulkOrInterruptTransfer.PipeHandle = hPipe;
    pUrb->UrbBulkOrInterruptTransfer.TransferBuffer = pBuffer;
    pUrb->UrbBulkOrInterruptTransfer.TransferBufferLength = nLength;
    pUrb->UrbBulkOrInterruptTransfer.TransferFlags = nTransferFlags;
}

void UsbBuildIsochronousRequest(URB* pUrb, USBD_ISO_PACKET_DESCRIPTOR* pPackets, USBD_PIPE_HANDLE hPipe,
                                PVOID pBuffer, ULONG nPacketSize, ULONG nPackets, ULONG nTransferFlags)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = static_cast<USHORT>(std::min<std::size_t>(GET_ISO_URB_SIZE(nPackets), 0xFFFF));
    pUrb->UrbHeader.Function = URB_FUNCTION_ISOCH_TRANSFER;
    auto& transfer = pUrb->UrbIsochronousTransfer;
    transfer.PipeHandle = hPipe;
    transfer.TransferFlags = nTransferFlags;
    transfer.TransferBuffer = pBuffer;
    transfer.TransferBufferLength = nPacketSize * nPackets;
    transfer.NumberOfPackets = nPackets;
    transfer.IsoPacket = pPackets;
    for (ULONG k = 0; k < nPackets; ++k)
        pPackets[k] = USBD_ISO_PACKET_DESCRIPTOR{k * nPacketSize, nPacketSize, USBD_STATUS_SUCCESS};
}

void UsbBuildPipeRequest(URB* pUrb, USHORT nFunction, USBD_PIPE_HANDLE hPipe, USHORT nRequestLength)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = nRequestLength;
    pUrb->UrbHeader.Function = nFunction;
    pUrb->UrbPipeRequest.PipeHandle = hPipe;
}

void UsbBuildFeatureRequest(URB* pUrb, USHORT nFunction, USHORT nFeatureSelector, USHORT nIndex)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = nFunction;
    pUrb->UrbControlFeatureRequest.FeatureSelector = nFeatureSelector;
    pUrb->UrbControlFeatureRequest.Index = nIndex;
}

void UsbBuildGetCurrentFrameNumberRequest(URB* pUrb)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = URB_FUNCTION_GET_CURRENT_FRAME_NUMBER;
}

void UsbBuildSelectConfigurationRequest(URB* pUrb, const USB_CONFIGURATION_DESCRIPTOR* pConfiguration,
                                        USBD_INTERFACE_INFORMATION* pInterface)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    pUrb->UrbSelectConfiguration.ConfigurationDescriptor = pConfiguration;
    pUrb->UrbSelectConfiguration.Interface = pConfiguration ? pInterface : nullptr;
}

void UsbBuildSelectInterfaceRequest(URB* pUrb, USBD_CONFIGURATION_HANDLE hConfiguration,
                                    USBD_INTERFACE_INFORMATION* pInterface)
{
    *pUrb = URB{};
    pUrb->UrbHeader.Length = sizeof(URB);
    pUrb->UrbHeader.Function = URB_FUNCTION_SELECT_INTERFACE;
    pUrb->UrbSelectInterface.ConfigurationHandle = hConfiguration;
    pUrb->UrbSelectInterface.Interface = pInterface;
}

const USB_COMMON_DESCRIPTOR* USBD_ParseDescriptors(const void* pConfiguration, ULONG nTotalBytes,
                                                    const void* pStart, UCHAR nType)
{
    const auto* pBegin = static_cast<const UCHAR*>(pConfiguration);
    const UCHAR* pEnd = pBegin + nTotalBytes;
    const auto* p = static_cast<const UCHAR*>(pStart);
    if (p < pBegin)
        return nullptr;
    while (p + sizeof(USB_COMMON_DESCRIPTOR) <= pEnd) {
        const auto* pDescriptor = reinterpret_cast<const USB_COMMON_DESCRIPTOR*>(p);
        if (pDescriptor->bLength == 0 || p + pDescriptor->bLength > pEnd)
            return nullptr;
        if (pDescriptor->bDescriptorType == nType)
            return pDescriptor;
        p += pDescriptor->bLength;
    }
    return nullptr;
}

const USB_INTERFACE_DESCRIPTOR* USBD_ParseConfigurationDescriptorEx(const USB_CONFIGURATION_DESCRIPTOR* pConfiguration,
                                                                    ULONG nTotalBytes, const void* pStart,
                                                                    LONG nInterfaceNumber, LONG nAlternateSetting,
                                                                    LONG nClass, LONG nSubClass, LONG nProtocol)
{
    const auto* p = static_cast<const UCHAR*>(pStart);
    while (const USB_COMMON_DESCRIPTOR* pFound =
               USBD_ParseDescriptors(pConfiguration, nTotalBytes, p, USB_INTERFACE_DESCRIPTOR_TYPE)) {
        const auto* pInterface = reinterpret_cast<const USB_INTERFACE_DESCRIPTOR*>(pFound);
        if (pFound->bLength >= sizeof(USB_INTERFACE_DESCRIPTOR) &&
            (nInterfaceNumber == -1 || pInterface->bInterfaceNumber == nInterfaceNumber) &&
            (nAlternateSetting == -1 || pInterface->bAlternateSetting == nAlternateSetting) &&
            (nClass == -1 || pInterface->bInterfaceClass == nClass) &&
            (nSubClass == -1 || pInterface->bInterfaceSubClass == nSubClass) &&
            (nProtocol == -1 || pInterface->bInterfaceProtocol == nProtocol))
            return pInterface;
        p = reinterpret_cast<const UCHAR*>(pFound) + pFound->bLength;
    }
    return nullptr;
}

CKsPoolPtr<USBD_CONFIGURATION_REQUEST> USBD_CreateConfigurationRequestEx(
    CKsPool& pool, ULONG nTag, const USB_CONFIGURATION_DESCRIPTOR* pConfiguration, USBD_INTERFACE_LIST_ENTRY* pEntry,
    ULONG nDefaultMaxTransfer)
{
    const USB_INTERFACE_DESCRIPTOR* pDescriptor = pEntry->InterfaceDescriptor;
    if (!pDescriptor || pDescriptor->bNumEndpoints > USBD_MAX_PIPES)
        return {};
    auto pRequest = CKsPoolPtr<USBD_CONFIGURATION_REQUEST>::Allocate(pool, nTag);
    if (!pRequest)
        return {};
    USBD_INTERFACE_INFORMATION& info = pRequest->Interface;
    info.Length = GET_USBD_INTERFACE_SIZE(pDescriptor->bNumEndpoints);
    info.InterfaceNumber = pDescriptor->bInterfaceNumber;
    info.AlternateSetting = pDescriptor->bAlternateSetting;
    info.NumberOfPipes = pDescriptor->bNumEndpoints;
    for (ULONG i = 0; i < info.NumberOfPipes; ++i)
        info.Pipes[i].MaximumTransferSize = nDefaultMaxTransfer;
    UsbBuildSelectConfigurationRequest(&pRequest->Urb, pConfiguration, &info);
    pEntry->Interface = &info;
    return pRequest;
}

USBD_STATUS UsbdFillInterfaceInformation(const UCHAR* pConfiguration, ULONG nLength, ULONG nGeneration,
                                         USBD_INTERFACE_INFORMATION* pInterface,
                                         const std::function<void(const USB_ENDPOINT_DESCRIPTOR&)>& onEndpoint)
{
    const auto* pDescriptors = reinterpret_cast<const USB_CONFIGURATION_DESCRIPTOR*>(pConfiguration);
    const USB_INTERFACE_DESCRIPTOR* pDescriptor =
        USBD_ParseConfigurationDescriptorEx(pDescriptors, nLength, pConfiguration,
                                            pInterface->InterfaceNumber, pInterface->AlternateSetting, -1, -1, -1);
    if (!pDescriptor)
        return USBD_STATUS_INVALID_PARAMETER;
    pInterface->Class = pDescriptor->bInterfaceClass;
    pInterface->SubClass = pDescriptor->bInterfaceSubClass;
    pInterface->Protocol = pDescriptor->bInterfaceProtocol;
    pInterface->InterfaceHandle = nGeneration << 8 | 0x40 | pDescriptor->bInterfaceNumber;
    pInterface->NumberOfPipes = std::min<ULONG>(pDescriptor->bNumEndpoints, USBD_MAX_PIPES);
    pInterface->Length = GET_USBD_INTERFACE_SIZE(pInterface->NumberOfPipes);
    const UCHAR* p = reinterpret_cast<const UCHAR*>(pDescriptor) + pDescriptor->bLength;
    for (ULONG i = 0; i < pInterface->NumberOfPipes; ++i) {
        const USB_COMMON_DESCRIPTOR* pFound =
            USBD_ParseDescriptors(pConfiguration, nLength, p, USB_ENDPOINT_DESCRIPTOR_TYPE);
        if (!pFound)
            return USBD_STATUS_INVALID_PARAMETER;
        const auto* pEndpoint = reinterpret_cast<const USB_ENDPOINT_DESCRIPTOR*>(pFound);
        USBD_PIPE_INFORMATION& pipe = pInterface->Pipes[i];
        pipe.MaximumPacketSize = pEndpoint->wMaxPacketSize;
        pipe.EndpointAddress = pEndpoint->bEndpointAddress;
        pipe.Interval = pEndpoint->bInterval;
        pipe.PipeType = static_cast<USBD_PIPE_TYPE>(pEndpoint->bmAttributes & 3);
        pipe.PipeHandle = nGeneration << 8 | pEndpoint->bEndpointAddress;
        pipe.PipeFlags = 0;
        if (onEndpoint)
            onEndpoint(*pEndpoint);
        p = reinterpret_cast<const UCHAR*>(pFound) + pFound->bLength;
    }
    return USBD_STATUS_SUCCESS;
}
