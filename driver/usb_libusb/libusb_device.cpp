// CLibusbDevice: one camera through libusb, behind the driver's USB bus interface.
#include "driver/usb_libusb/libusb_private.h"

#include "driver/usbd_helpers.h"
#include "platform/log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

constexpr UCHAR REQUEST_SET_FEATURE = 0x03;
constexpr UCHAR REQUEST_GET_DESCRIPTOR = 0x06;
// bmRequestType bits of the USB standard: direction, type, recipient.
constexpr UCHAR DIRECTION_IN = 0x80;
constexpr UCHAR DIRECTION_OUT = 0x00;
constexpr UCHAR TYPE_STANDARD = 0x00;
constexpr UCHAR TYPE_CLASS = 0x20;
constexpr UCHAR TYPE_VENDOR = 0x40;
constexpr UCHAR RECIPIENT_DEVICE = 0;
constexpr UCHAR RECIPIENT_INTERFACE = 1;
constexpr UCHAR RECIPIENT_ENDPOINT = 2;
constexpr UCHAR RECIPIENT_OTHER = 3;

// bmRequestType of a vendor or class request block function, without the direction.
bool RequestTypeOf(USHORT nFunction, UCHAR* pType)
{
    switch (nFunction) {
    case URB_FUNCTION_VENDOR_DEVICE:
        *pType = TYPE_VENDOR | RECIPIENT_DEVICE;
        return true;
    case URB_FUNCTION_VENDOR_INTERFACE:
        *pType = TYPE_VENDOR | RECIPIENT_INTERFACE;
        return true;
    case URB_FUNCTION_VENDOR_ENDPOINT:
        *pType = TYPE_VENDOR | RECIPIENT_ENDPOINT;
        return true;
    case URB_FUNCTION_VENDOR_OTHER:
        *pType = TYPE_VENDOR | RECIPIENT_OTHER;
        return true;
    case URB_FUNCTION_CLASS_DEVICE:
        *pType = TYPE_CLASS | RECIPIENT_DEVICE;
        return true;
    case URB_FUNCTION_CLASS_INTERFACE:
        *pType = TYPE_CLASS | RECIPIENT_INTERFACE;
        return true;
    case URB_FUNCTION_CLASS_ENDPOINT:
        *pType = TYPE_CLASS | RECIPIENT_ENDPOINT;
        return true;
    case URB_FUNCTION_CLASS_OTHER:
        *pType = TYPE_CLASS | RECIPIENT_OTHER;
        return true;
    default:
        return false;
    }
}

} // namespace

CLibusbDevice::CLibusbDevice(libusb_device_handle* pHandle, int nClaimedInterface)
    : m_pHandle(pHandle),
      m_nBus(libusb_get_bus_number(libusb_get_device(pHandle))),
      m_nAddress(libusb_get_device_address(libusb_get_device(pHandle))),
      m_tOpened(std::chrono::steady_clock::now()),
      m_nClaimedInterface(nClaimedInterface)
{
    libusb_set_auto_detach_kernel_driver(m_pHandle, 1); // not supported everywhere; harmless then
}

CLibusbDevice::~CLibusbDevice()
{
    int nClaimed = -1;
    {
        std::unique_lock lock(m_Mutex);
        CancelLocked(0);
        m_Idle.wait(lock, [this] { return m_nRunning == 0; });
        nClaimed = m_nClaimedInterface;
    }
    for (const auto& pSlot : m_Slots)
        libusb_free_transfer(pSlot->pTransfer);
    if (nClaimed >= 0) {
        const int nResult = libusb_release_interface(m_pHandle, nClaimed);
        if (nResult != LIBUSB_SUCCESS)
            LogFailure(nResult, "cannot release interface %d", nClaimed);
    }
    libusb_close(m_pHandle);
}

USBD_STATUS CLibusbDevice::Note(USBD_STATUS status)
{
    if (status == USBD_STATUS_DEVICE_GONE) {
        m_bGone = true; // later requests fail at once; the hot-plug departure removes the device
        LogGone();
    }
    return status;
}

void CLibusbDevice::LogGone()
{
    if (!m_bGoneLogged.exchange(true))
        LogLine(ELogCategory::Usb, "device on bus %u address %u is gone", m_nBus, m_nAddress);
}

void CLibusbDevice::LogFailure(int nResult, const char* szFormat, ...)
{
    if (nResult == LIBUSB_ERROR_NO_DEVICE) {
        LogGone();
        return;
    }
    if (!IsLogEnabled(ELogCategory::Usb))
        return;
    char szWhat[160];
    std::va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szWhat, sizeof szWhat, szFormat, args);
    va_end(args);
    LogLine(ELogCategory::Usb, "%s on bus %u address %u: %s", szWhat, m_nBus, m_nAddress, libusb_error_name(nResult));
}

USBD_STATUS CLibusbDevice::ControlTransfer(UCHAR nRequestType, UCHAR nRequest, USHORT nValue, USHORT nIndex,
                                           PVOID pBuffer, ULONG* pnLength)
{
    const auto nLength = static_cast<uint16_t>(std::min<ULONG>(*pnLength, 0xFFFF));
    *pnLength = 0;
    if (m_bGone)
        return USBD_STATUS_DEVICE_GONE;
    const int nResult = libusb_control_transfer(m_pHandle, nRequestType, nRequest, nValue, nIndex,
                                                static_cast<unsigned char*>(pBuffer), nLength, CONTROL_TIMEOUT_MS);
    if (nResult >= 0)
        *pnLength = static_cast<ULONG>(nResult);
    return Note(UsbdStatusFromLibusb(nResult));
}

USBD_STATUS CLibusbDevice::FillInterface(UCHAR nConfiguration, USBD_INTERFACE_INFORMATION* pInterface)
{
    // The whole configuration descriptor, as the device sends it.
    USB_CONFIGURATION_DESCRIPTOR head{};
    ULONG nLength = sizeof head;
    const UCHAR nIn = DIRECTION_IN | TYPE_STANDARD | RECIPIENT_DEVICE;
    USBD_STATUS status = ControlTransfer(nIn, REQUEST_GET_DESCRIPTOR, USB_CONFIGURATION_DESCRIPTOR_TYPE << 8, 0,
                                         &head, &nLength);
    if (!USBD_SUCCESS(status))
        return status;
    if (nLength < sizeof head || head.wTotalLength < sizeof head)
        return USBD_STATUS_INVALID_PARAMETER;
    std::vector<UCHAR> bytes(head.wTotalLength);
    nLength = head.wTotalLength;
    status = ControlTransfer(nIn, REQUEST_GET_DESCRIPTOR, USB_CONFIGURATION_DESCRIPTOR_TYPE << 8, 0, bytes.data(),
                             &nLength);
    if (!USBD_SUCCESS(status))
        return status;
    std::lock_guard lock(m_Mutex);
    m_Endpoints.clear();
    status = UsbdFillInterfaceInformation(bytes.data(), nLength, m_nGeneration, pInterface,
                                          [this](const USB_ENDPOINT_DESCRIPTOR& endpoint) {
                                              m_Endpoints[endpoint.bEndpointAddress] =
                                                  ENDPOINT{static_cast<UCHAR>(endpoint.bmAttributes & 3),
                                                           endpoint.wMaxPacketSize};
                                          });
    if (!USBD_SUCCESS(status))
        return status;
    m_nConfiguration = nConfiguration;
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS CLibusbDevice::SelectConfiguration(URB* pUrb)
{
    const USB_CONFIGURATION_DESCRIPTOR* pConfiguration = pUrb->UrbSelectConfiguration.ConfigurationDescriptor;
    int nClaimed = -1;
    {
        std::lock_guard lock(m_Mutex);
        ++m_nGeneration; // every selection makes new handles
        m_nConfiguration = 0;
        m_Endpoints.clear();
        nClaimed = m_nClaimedInterface;
        m_nClaimedInterface = -1;
    }
    if (nClaimed >= 0) {
        const int nResult = libusb_release_interface(m_pHandle, nClaimed);
        if (nResult != LIBUSB_SUCCESS)
            LogFailure(nResult, "cannot release interface %d", nClaimed);
    }
    if (!pConfiguration) {
        const int nResult = libusb_set_configuration(m_pHandle, -1);
        if (nResult != LIBUSB_SUCCESS)
            LogFailure(nResult, "cannot unconfigure");
        return Note(UsbdStatusFromLibusb(nResult));
    }

    // Setting the configuration the device already has would reset it: only a change is sent.
    const UCHAR nValue = pConfiguration->bConfigurationValue;
    int nCurrent = 0;
    int nResult = libusb_get_configuration(m_pHandle, &nCurrent);
    if (nResult == LIBUSB_SUCCESS && nCurrent != nValue)
        nResult = libusb_set_configuration(m_pHandle, nValue);
    if (nResult != LIBUSB_SUCCESS) {
        LogFailure(nResult, "cannot select configuration %u", nValue);
        return Note(UsbdStatusFromLibusb(nResult));
    }
    USBD_INTERFACE_INFORMATION* pInterface = pUrb->UrbSelectConfiguration.Interface;
    if (pInterface) {
        nResult = libusb_claim_interface(m_pHandle, pInterface->InterfaceNumber);
        if (nResult != LIBUSB_SUCCESS) {
            LogFailure(nResult, "cannot claim interface %u", pInterface->InterfaceNumber);
            return Note(UsbdStatusFromLibusb(nResult));
        }
        {
            std::lock_guard lock(m_Mutex);
            m_nClaimedInterface = pInterface->InterfaceNumber;
        }
        if (pInterface->AlternateSetting != 0) {
            nResult = libusb_set_interface_alt_setting(m_pHandle, pInterface->InterfaceNumber,
                                                       pInterface->AlternateSetting);
            if (nResult != LIBUSB_SUCCESS) {
                LogFailure(nResult, "cannot select setting %u of interface %u", pInterface->AlternateSetting,
                           pInterface->InterfaceNumber);
                return Note(UsbdStatusFromLibusb(nResult));
            }
        }
        const USBD_STATUS status = FillInterface(nValue, pInterface);
        if (!USBD_SUCCESS(status))
            return status;
    }
    std::lock_guard lock(m_Mutex);
    m_nConfiguration = nValue;
    pUrb->UrbSelectConfiguration.ConfigurationHandle = m_nGeneration << 8 | nValue;
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS CLibusbDevice::SelectInterface(URB* pUrb)
{
    USBD_INTERFACE_INFORMATION* pInterface = pUrb->UrbSelectInterface.Interface;
    UCHAR nConfiguration = 0;
    int nClaimed = -1;
    {
        std::lock_guard lock(m_Mutex);
        if (!m_nConfiguration ||
            pUrb->UrbSelectInterface.ConfigurationHandle != (m_nGeneration << 8 | m_nConfiguration) || !pInterface)
            return USBD_STATUS_INVALID_PARAMETER;
        nConfiguration = m_nConfiguration;
        nClaimed = m_nClaimedInterface;
    }
    if (nClaimed != pInterface->InterfaceNumber) {
        if (nClaimed >= 0) {
            const int nResult = libusb_release_interface(m_pHandle, nClaimed);
            if (nResult != LIBUSB_SUCCESS)
                LogFailure(nResult, "cannot release interface %d", nClaimed);
        }
        const int nResult = libusb_claim_interface(m_pHandle, pInterface->InterfaceNumber);
        if (nResult != LIBUSB_SUCCESS)
            LogFailure(nResult, "cannot claim interface %u", pInterface->InterfaceNumber);
        std::lock_guard lock(m_Mutex);
        m_nClaimedInterface = nResult == LIBUSB_SUCCESS ? pInterface->InterfaceNumber : -1;
        if (nResult != LIBUSB_SUCCESS)
            return Note(UsbdStatusFromLibusb(nResult));
    }
    const int nResult =
        libusb_set_interface_alt_setting(m_pHandle, pInterface->InterfaceNumber, pInterface->AlternateSetting);
    if (nResult != LIBUSB_SUCCESS) {
        LogFailure(nResult, "cannot select setting %u of interface %u", pInterface->AlternateSetting,
                   pInterface->InterfaceNumber);
        return Note(UsbdStatusFromLibusb(nResult));
    }
    return FillInterface(nConfiguration, pInterface);
}

UCHAR CLibusbDevice::EndpointOfLocked(USBD_PIPE_HANDLE hPipe, ENDPOINT* pEndpoint) const
{
    if (!m_nConfiguration || (hPipe >> 8) != m_nGeneration)
        return 0;
    auto it = m_Endpoints.find(static_cast<UCHAR>(hPipe & 0xFF));
    if (it == m_Endpoints.end())
        return 0;
    *pEndpoint = it->second;
    return it->first;
}

CLibusbDevice::TRANSFER_SLOT* CLibusbDevice::TakeSlotLocked(int nIsoPackets)
{
    for (const auto& pSlot : m_Slots)
        if (!pSlot->pUrb && pSlot->nIsoCapacity >= nIsoPackets)
            return pSlot.get();
    libusb_transfer* pTransfer = libusb_alloc_transfer(nIsoPackets);
    if (!pTransfer)
        return nullptr;
    auto pSlot = std::make_unique<TRANSFER_SLOT>();
    pSlot->pDevice = this;
    pSlot->pTransfer = pTransfer;
    pSlot->nIsoCapacity = nIsoPackets;
    m_Slots.push_back(std::move(pSlot));
    return m_Slots.back().get();
}

USBD_STATUS CLibusbDevice::SubmitTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext)
{
    const bool bIso = pUrb->UrbHeader.Function == URB_FUNCTION_ISOCH_TRANSFER;
    const auto& bulk = pUrb->UrbBulkOrInterruptTransfer;
    const auto& iso = pUrb->UrbIsochronousTransfer;
    const USBD_PIPE_HANDLE hPipe = bIso ? iso.PipeHandle : bulk.PipeHandle;
    if (m_bGone)
        return USBD_STATUS_DEVICE_GONE;
    if (bIso && (!iso.IsoPacket || iso.NumberOfPackets == 0 || iso.NumberOfPackets > 0x7FFFFFFF))
        return USBD_STATUS_INVALID_PARAMETER;

    std::lock_guard lock(m_Mutex);
    ENDPOINT endpoint{};
    const UCHAR nEndpoint = EndpointOfLocked(hPipe, &endpoint);
    if (!nEndpoint)
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    if (bIso != (endpoint.nType == LIBUSB_TRANSFER_TYPE_ISOCHRONOUS))
        return USBD_STATUS_INVALID_PARAMETER;
    const int nPackets = bIso ? static_cast<int>(iso.NumberOfPackets) : 0;
    TRANSFER_SLOT* pSlot = TakeSlotLocked(nPackets);
    if (!pSlot) {
        if (!m_bSubmitFailing.exchange(true))
            LogFailure(LIBUSB_ERROR_NO_MEM, "cannot allocate a transfer of %d packets", nPackets);
        return USBD_STATUS_INSUFFICIENT_RESOURCES;
    }
    libusb_transfer* pTransfer = pSlot->pTransfer;
    if (bIso) {
        libusb_fill_iso_transfer(pTransfer, m_pHandle, nEndpoint, static_cast<unsigned char*>(iso.TransferBuffer),
                                 static_cast<int>(iso.TransferBufferLength), nPackets, &OnTransferDone, pSlot, 0);
        for (int k = 0; k < nPackets; ++k)
            pTransfer->iso_packet_desc[k].length = iso.IsoPacket[k].Length;
    } else {
        auto* pBuffer = static_cast<unsigned char*>(bulk.TransferBuffer);
        const int nLength = static_cast<int>(bulk.TransferBufferLength);
        if (endpoint.nType == LIBUSB_TRANSFER_TYPE_INTERRUPT)
            libusb_fill_interrupt_transfer(pTransfer, m_pHandle, nEndpoint, pBuffer, nLength, &OnTransferDone, pSlot, 0);
        else
            libusb_fill_bulk_transfer(pTransfer, m_pHandle, nEndpoint, pBuffer, nLength, &OnTransferDone, pSlot, 0);
    }
    // Without short-transfer-OK a short IN transfer is an error, as the USB stack makes it.
    pTransfer->flags = (!bIso && (nEndpoint & LIBUSB_ENDPOINT_IN) && !(bulk.TransferFlags & USBD_SHORT_TRANSFER_OK))
                           ? LIBUSB_TRANSFER_SHORT_NOT_OK
                           : 0;
    // The completion reads the slot under the lock, so only after this has returned.
    pSlot->pUrb = pUrb;
    pSlot->pfnCompletion = pfnCompletion;
    pSlot->pContext = pContext;
    pSlot->nEndpoint = nEndpoint;
    const int nResult = libusb_submit_transfer(pTransfer);
    if (nResult != LIBUSB_SUCCESS) {
        pSlot->pUrb = nullptr;
        if (!m_bSubmitFailing.exchange(true))
            LogFailure(nResult, "cannot submit a transfer on endpoint 0x%02x", nEndpoint);
        return Note(UsbdStatusFromLibusb(nResult));
    }
    m_bSubmitFailing = false;
    ++m_nRunning;
    return USBD_STATUS_PENDING;
}

void LIBUSB_CALL CLibusbDevice::OnTransferDone(libusb_transfer* pTransfer)
{
    auto* pSlot = static_cast<TRANSFER_SLOT*>(pTransfer->user_data);
    CLibusbDevice* pDevice = pSlot->pDevice;
    URB* pUrb = nullptr;
    PUSB_URB_COMPLETION pfnCompletion = nullptr;
    PVOID pContext = nullptr;
    {
        std::lock_guard lock(pDevice->m_Mutex);
        pUrb = pSlot->pUrb;
        pfnCompletion = pSlot->pfnCompletion;
        pContext = pSlot->pContext;
    }
    const USBD_STATUS status = pDevice->Note(UsbdStatusFromTransfer(pTransfer->status));
    // Cancellations are asked for, and a device that is gone has been noted.
    if (pTransfer->status == LIBUSB_TRANSFER_COMPLETED)
        pDevice->m_bTransferFailing = false;
    else if (pTransfer->status != LIBUSB_TRANSFER_CANCELLED && pTransfer->status != LIBUSB_TRANSFER_NO_DEVICE &&
             !pDevice->m_bTransferFailing.exchange(true))
        pDevice->LogFailure(pTransfer->status, "transfer on endpoint 0x%02x ended", pTransfer->endpoint);
    if (pUrb->UrbHeader.Function == URB_FUNCTION_ISOCH_TRANSFER) {
        auto& iso = pUrb->UrbIsochronousTransfer;
        ULONG nBytes = 0;
        iso.ErrorCount = 0;
        for (int k = 0; k < pTransfer->num_iso_packets; ++k) {
            const libusb_iso_packet_descriptor& packet = pTransfer->iso_packet_desc[k];
            iso.IsoPacket[k].Length = packet.actual_length;
            iso.IsoPacket[k].Status = UsbdStatusFromTransfer(packet.status);
            iso.ErrorCount += USBD_SUCCESS(iso.IsoPacket[k].Status) ? 0 : 1;
            nBytes += packet.actual_length;
        }
        iso.TransferBufferLength = nBytes;
    } else {
        pUrb->UrbBulkOrInterruptTransfer.TransferBufferLength = static_cast<ULONG>(pTransfer->actual_length);
    }
    pUrb->UrbHeader.Status = status;
    {
        std::lock_guard lock(pDevice->m_Mutex);
        pSlot->pUrb = nullptr; // free for the next transfer, which the completion may submit
    }
    pfnCompletion(pUrb, UsbdStatusToNtStatus(status), pContext);
    std::lock_guard lock(pDevice->m_Mutex);
    if (--pDevice->m_nRunning == 0)
        pDevice->m_Idle.notify_all();
}

// A cancel that fails finds the transfer ended already (LIBUSB_ERROR_NOT_FOUND) or the device
// gone; either way the transfer's completion reports how it ended, so the result is not used.
void CLibusbDevice::CancelLocked(UCHAR nEndpoint)
{
    for (const auto& pSlot : m_Slots)
        if (pSlot->pUrb && (nEndpoint == 0 || pSlot->nEndpoint == nEndpoint))
            libusb_cancel_transfer(pSlot->pTransfer);
}

void CLibusbDevice::CancelUrb(URB* pUrb)
{
    std::lock_guard lock(m_Mutex);
    for (const auto& pSlot : m_Slots)
        if (pSlot->pUrb == pUrb)
            libusb_cancel_transfer(pSlot->pTransfer);
}

NTSTATUS CLibusbDevice::SubmitUrb(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext)
{
    USBD_STATUS status = USBD_STATUS_SUCCESS;
    const USHORT nFunction = pUrb->UrbHeader.Function;
    UCHAR nRequestType = 0;
    switch (nFunction) {
    case URB_FUNCTION_SELECT_CONFIGURATION:
        status = SelectConfiguration(pUrb);
        break;
    case URB_FUNCTION_SELECT_INTERFACE:
        status = SelectInterface(pUrb);
        break;
    case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: {
        auto& request = pUrb->UrbControlDescriptorRequest;
        const auto nValue = static_cast<USHORT>(request.DescriptorType << 8 | request.Index);
        status = ControlTransfer(DIRECTION_IN | TYPE_STANDARD | RECIPIENT_DEVICE, REQUEST_GET_DESCRIPTOR, nValue,
                                 request.LanguageId, request.TransferBuffer, &request.TransferBufferLength);
        break;
    }
    case URB_FUNCTION_SET_FEATURE_TO_DEVICE: {
        ULONG nLength = 0;
        status = ControlTransfer(DIRECTION_OUT | TYPE_STANDARD | RECIPIENT_DEVICE,
                                 REQUEST_SET_FEATURE, pUrb->UrbControlFeatureRequest.FeatureSelector,
                                 pUrb->UrbControlFeatureRequest.Index, nullptr, &nLength);
        break;
    }
    case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
    case URB_FUNCTION_ISOCH_TRANSFER:
        status = SubmitTransfer(pUrb, pfnCompletion, pContext);
        if (status == USBD_STATUS_PENDING)
            return STATUS_PENDING; // completes on the event thread
        if (nFunction == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER)
            pUrb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
        else
            pUrb->UrbIsochronousTransfer.TransferBufferLength = 0;
        break;
    case URB_FUNCTION_ABORT_PIPE:
    case URB_FUNCTION_RESET_PIPE: {
        std::unique_lock lock(m_Mutex);
        ENDPOINT endpoint{};
        const UCHAR nEndpoint = EndpointOfLocked(pUrb->UrbPipeRequest.PipeHandle, &endpoint);
        if (!nEndpoint) {
            status = USBD_STATUS_INVALID_PIPE_HANDLE;
        } else if (nFunction == URB_FUNCTION_ABORT_PIPE) {
            CancelLocked(nEndpoint); // their completions report the cancellation
        } else {
            lock.unlock();
            status = Note(UsbdStatusFromLibusb(libusb_clear_halt(m_pHandle, nEndpoint)));
        }
        break;
    }
    case URB_FUNCTION_GET_CURRENT_FRAME_NUMBER: {
        // libusb does not tell the bus's frame number: milliseconds (1-ms frames) since open.
        const auto elapsed = std::chrono::steady_clock::now() - m_tOpened;
        pUrb->UrbGetCurrentFrameNumber.FrameNumber =
            static_cast<ULONG>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()) + 1;
        status = m_bGone ? USBD_STATUS_DEVICE_GONE : USBD_STATUS_SUCCESS;
        break;
    }
    default:
        if (RequestTypeOf(nFunction, &nRequestType)) {
            auto& request = pUrb->UrbControlVendorClassRequest;
            const bool bIn = (request.TransferFlags & USBD_TRANSFER_DIRECTION_IN) != 0;
            status = ControlTransfer(static_cast<UCHAR>(nRequestType | (bIn ? DIRECTION_IN : DIRECTION_OUT)),
                                     request.Request, request.Value, request.Index, request.TransferBuffer,
                                     &request.TransferBufferLength);
        } else {
            status = USBD_STATUS_INVALID_URB_FUNCTION;
        }
        break;
    }
    pUrb->UrbHeader.Status = status;
    const NTSTATUS ntStatus = UsbdStatusToNtStatus(status);
    pfnCompletion(pUrb, ntStatus, pContext);
    return ntStatus;
}

NTSTATUS CLibusbDevice::ResetPort()
{
    {
        std::lock_guard lock(m_Mutex);
        CancelLocked(0);
    }
    if (m_bGone)
        return STATUS_DEVICE_NOT_CONNECTED;
    // The reset keeps the configuration and the claimed interface; a device that comes back
    // as another one (LIBUSB_ERROR_NOT_FOUND) is gone for this handle.
    int nResult = libusb_reset_device(m_pHandle);
    if (nResult == LIBUSB_ERROR_NOT_FOUND)
        nResult = LIBUSB_ERROR_NO_DEVICE;
    if (nResult != LIBUSB_SUCCESS)
        LogFailure(nResult, "cannot reset the port");
    return UsbdStatusToNtStatus(Note(UsbdStatusFromLibusb(nResult)));
}

void CLibusbDevice::GetUSBDIVersion(USBD_VERSION_INFORMATION* pVersion)
{
    pVersion->USBDI_Version = 0x0600;
    pVersion->Supported_USB_Version = 0x0200;
}
