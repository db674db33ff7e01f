#include "simcam/sim_usb_bus.h"

#include "driver/usbd_helpers.h"
#include "simcam/sim_usb_descriptors.h"

#include <algorithm>
#include <array>

USBD_STATUS CSimUsbBus::FillInterface(BYTE nConfiguration, USBD_INTERFACE_INFORMATION* pInterface)
{
    std::array<BYTE, 255> bytes{};
    DWORD nCopied = 0;
    USBD_STATUS status = m_Camera.GetDescriptor(USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, bytes.data(),
                                                static_cast<DWORD>(bytes.size()), &nCopied);
    if (!USBD_SUCCESS(status))
        return status;
    std::lock_guard lock(m_Mutex);
    status = UsbdFillInterfaceInformation(bytes.data(), nCopied, m_nGeneration, pInterface);
    if (!USBD_SUCCESS(status))
        return status;
    m_nConfiguration = nConfiguration;
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS CSimUsbBus::SelectConfiguration(URB* pUrb)
{
    const USB_CONFIGURATION_DESCRIPTOR* pConfiguration = pUrb->UrbSelectConfiguration.ConfigurationDescriptor;
    {
        std::lock_guard lock(m_Mutex);
        ++m_nGeneration; // every selection makes new handles
        m_nConfiguration = 0;
    }
    const BYTE nValue = pConfiguration ? pConfiguration->bConfigurationValue : 0;
    USBD_STATUS status = m_Camera.SetConfiguration(nValue);
    if (!USBD_SUCCESS(status) || !pConfiguration)
        return status;
    if (pUrb->UrbSelectConfiguration.Interface) {
        status = FillInterface(nValue, pUrb->UrbSelectConfiguration.Interface);
        if (!USBD_SUCCESS(status))
            return status;
    }
    std::lock_guard lock(m_Mutex);
    m_nConfiguration = nValue;
    pUrb->UrbSelectConfiguration.ConfigurationHandle = m_nGeneration << 8 | nValue;
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS CSimUsbBus::SelectInterface(URB* pUrb)
{
    BYTE nConfiguration = 0;
    {
        std::lock_guard lock(m_Mutex);
        if (!m_nConfiguration || pUrb->UrbSelectInterface.ConfigurationHandle != (m_nGeneration << 8 | m_nConfiguration))
            return USBD_STATUS_INVALID_PARAMETER;
        nConfiguration = m_nConfiguration;
    }
    if (!pUrb->UrbSelectInterface.Interface)
        return USBD_STATUS_INVALID_PARAMETER;
    USBD_INTERFACE_INFORMATION* pInterface = pUrb->UrbSelectInterface.Interface;
    USBD_STATUS status = FillInterface(nConfiguration, pInterface);
    if (!USBD_SUCCESS(status))
        return status;
    return m_Camera.SetInterface(pInterface->InterfaceNumber, pInterface->AlternateSetting);
}

BYTE CSimUsbBus::EndpointOf(USBD_PIPE_HANDLE hPipe) const
{
    std::lock_guard lock(m_Mutex);
    return (m_nConfiguration && (hPipe >> 8) == m_nGeneration) ? static_cast<BYTE>(hPipe & 0xFF) : 0;
}

CSimUsbBus::PENDING_URB* CSimUsbBus::TakeSlot(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext)
{
    std::lock_guard lock(m_Mutex);
    auto it = std::find_if(m_Pending.begin(), m_Pending.end(), [](const PENDING_URB& slot) { return !slot.pUrb; });
    if (it == m_Pending.end())
        return nullptr;
    *it = PENDING_URB{this, pUrb, pfnCompletion, pContext};
    return &*it;
}

void CSimUsbBus::FreeSlot(PENDING_URB* pSlot)
{
    std::lock_guard lock(m_Mutex);
    pSlot->pUrb = nullptr;
}

CSimUsbBus::PENDING_URB CSimUsbBus::EndSlot(PENDING_URB* pSlot)
{
    std::lock_guard lock(pSlot->pBus->m_Mutex);
    PENDING_URB pending = *pSlot;
    pSlot->pUrb = nullptr;
    return pending;
}

void CSimUsbBus::OnTransferDone(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred)
{
    auto* pUrb = static_cast<URB*>(pKey);
    const PENDING_URB pending = EndSlot(static_cast<PENDING_URB*>(pContext));
    pUrb->UrbHeader.Status = status;
    pUrb->UrbBulkOrInterruptTransfer.TransferBufferLength = nTransferred;
    pending.pfnCompletion(pUrb, UsbdStatusToNtStatus(status), pending.pContext);
}

void CSimUsbBus::OnIsoTransferDone(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred)
{
    auto* pUrb = static_cast<URB*>(pKey);
    const PENDING_URB pending = EndSlot(static_cast<PENDING_URB*>(pContext));
    auto& transfer = pUrb->UrbIsochronousTransfer;
    transfer.TransferBufferLength = nTransferred;
    transfer.ErrorCount = 0;
    for (ULONG k = 0; k < transfer.NumberOfPackets; ++k)
        transfer.ErrorCount += USBD_SUCCESS(transfer.IsoPacket[k].Status) ? 0 : 1;
    pUrb->UrbHeader.Status = status;
    pending.pfnCompletion(pUrb, UsbdStatusToNtStatus(status), pending.pContext); // the block is not touched after this
}

USBD_STATUS CSimUsbBus::BulkTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext, bool* pbPending)
{
    *pbPending = false;
    auto& transfer = pUrb->UrbBulkOrInterruptTransfer;
    const BYTE nEndpoint = EndpointOf(transfer.PipeHandle);
    if (!nEndpoint)
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    PENDING_URB* pSlot = nullptr;
    if (nEndpoint == SIM_EP_IMAGE) {
        pSlot = TakeSlot(pUrb, pfnCompletion, pContext);
        if (!pSlot)
            return USBD_STATUS_INSUFFICIENT_RESOURCES;
    }
    DWORD nMoved = 0;
    USBD_STATUS status = m_Camera.BulkTransfer(nEndpoint, static_cast<BYTE*>(transfer.TransferBuffer),
                                               transfer.TransferBufferLength, &nMoved, &OnTransferDone, pUrb, pSlot);
    if (status == USBD_STATUS_PENDING) {
        *pbPending = true;
        return status;
    }
    if (pSlot)
        FreeSlot(pSlot);
    transfer.TransferBufferLength = nMoved;
    return status;
}

USBD_STATUS CSimUsbBus::IsoTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext, bool* pbPending)
{
    *pbPending = false;
    auto& transfer = pUrb->UrbIsochronousTransfer;
    const BYTE nEndpoint = EndpointOf(transfer.PipeHandle);
    if (!nEndpoint)
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    if (!transfer.IsoPacket || transfer.NumberOfPackets == 0)
        return USBD_STATUS_INVALID_PARAMETER;
    PENDING_URB* pSlot = TakeSlot(pUrb, pfnCompletion, pContext);
    if (!pSlot)
        return USBD_STATUS_INSUFFICIENT_RESOURCES;
    const USBD_STATUS status = m_Camera.IsoTransfer(nEndpoint, static_cast<BYTE*>(transfer.TransferBuffer),
                                                    transfer.IsoPacket, transfer.NumberOfPackets,
                                                    &OnIsoTransferDone, pUrb, pSlot);
    if (status == USBD_STATUS_PENDING) {
        *pbPending = true;
        return status;
    }
    FreeSlot(pSlot);
    transfer.TransferBufferLength = 0;
    return status;
}

NTSTATUS CSimUsbBus::SubmitUrb(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext)
{
    USBD_STATUS status = USBD_STATUS_SUCCESS;
    switch (pUrb->UrbHeader.Function) {
    case URB_FUNCTION_SELECT_CONFIGURATION:
        status = SelectConfiguration(pUrb);
        break;
    case URB_FUNCTION_SELECT_INTERFACE:
        status = SelectInterface(pUrb);
        break;
    case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: {
        auto& request = pUrb->UrbControlDescriptorRequest;
        DWORD nCopied = 0;
        status = m_Camera.GetDescriptor(request.DescriptorType, request.Index, request.LanguageId,
                                        static_cast<BYTE*>(request.TransferBuffer), request.TransferBufferLength,
                                        &nCopied);
        request.TransferBufferLength = nCopied;
        break;
    }
    case URB_FUNCTION_VENDOR_DEVICE: {
        auto& request = pUrb->UrbControlVendorClassRequest;
        DWORD nMoved = 0;
        status = m_Camera.VendorRequest(request.Request, request.Value, request.Index,
                                        (request.TransferFlags & USBD_TRANSFER_DIRECTION_IN) != 0,
                                        static_cast<BYTE*>(request.TransferBuffer), request.TransferBufferLength,
                                        &nMoved);
        request.TransferBufferLength = nMoved;
        break;
    }
    case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER: {
        bool bPending = false;
        status = BulkTransfer(pUrb, pfnCompletion, pContext, &bPending);
        if (bPending)
            return STATUS_PENDING; // completes through OnTransferDone
        break;
    }
    case URB_FUNCTION_ISOCH_TRANSFER: {
        bool bPending = false;
        status = IsoTransfer(pUrb, pfnCompletion, pContext, &bPending);
        if (bPending)
            return STATUS_PENDING; // completes through OnIsoTransferDone
        break;
    }
    case URB_FUNCTION_ABORT_PIPE:
    case URB_FUNCTION_RESET_PIPE: {
        m_nLastPipeRequestLength = pUrb->UrbHeader.Length;
        const BYTE nEndpoint = EndpointOf(pUrb->UrbPipeRequest.PipeHandle);
        if (!nEndpoint)
            status = USBD_STATUS_INVALID_PIPE_HANDLE;
        else if (pUrb->UrbHeader.Function == URB_FUNCTION_ABORT_PIPE)
            m_Camera.AbortEndpoint(nEndpoint);
        break;
    }
    case URB_FUNCTION_GET_CURRENT_FRAME_NUMBER:
        pUrb->UrbGetCurrentFrameNumber.FrameNumber = m_Camera.IsUnplugged() ? 0 : m_Camera.GetFrameNumber();
        status = m_Camera.IsUnplugged() ? USBD_STATUS_DEVICE_GONE : USBD_STATUS_SUCCESS;
        break;
    case URB_FUNCTION_SET_FEATURE_TO_DEVICE:
        status = m_Camera.SetFeature(pUrb->UrbControlFeatureRequest.FeatureSelector,
                                     pUrb->UrbControlFeatureRequest.Index);
        break;
    case URB_FUNCTION_CLASS_DEVICE:
    case URB_FUNCTION_CLASS_INTERFACE:
    case URB_FUNCTION_CLASS_ENDPOINT:
    case URB_FUNCTION_CLASS_OTHER:
    case URB_FUNCTION_VENDOR_INTERFACE:
    case URB_FUNCTION_VENDOR_ENDPOINT:
    case URB_FUNCTION_VENDOR_OTHER:
        pUrb->UrbControlVendorClassRequest.TransferBufferLength = 0;
        status = m_Camera.IsUnplugged() ? USBD_STATUS_DEVICE_GONE : USBD_STATUS_STALL_PID; // none implemented
        break;
    default:
        status = USBD_STATUS_INVALID_URB_FUNCTION;
        break;
    }
    pUrb->UrbHeader.Status = status;
    const NTSTATUS ntStatus = UsbdStatusToNtStatus(status);
    pfnCompletion(pUrb, ntStatus, pContext);
    return ntStatus;
}

void CSimUsbBus::CancelUrb(URB* pUrb) { m_Camera.CancelTransfer(pUrb); }

NTSTATUS CSimUsbBus::ResetPort()
{
    if (m_Camera.IsUnplugged())
        return STATUS_DEVICE_NOT_CONNECTED;
    m_Camera.ResetPort();
    return STATUS_SUCCESS;
}

void CSimUsbBus::GetUSBDIVersion(USBD_VERSION_INFORMATION* pVersion)
{
    pVersion->USBDI_Version = m_Camera.GetUsbdiVersion();
    pVersion->Supported_USB_Version = 0x0200;
}
