// CSimUsbBus: the thin adapter that puts a simulated camera behind the driver's USB bus
// interface: request blocks in, endpoint operations of the camera out.
#pragma once

#include "driver/usb_bus.h"
#include "simcam/sim_camera.h"

#include <array>
#include <atomic>
#include <mutex>

// Pipe handles carry the endpoint address and the generation of the configuration that
// made them, so handles of an earlier configuration are refused.
class CSimUsbBus final : public IUsbBus {
public:
    explicit CSimUsbBus(CSimCamera& camera) : m_Camera(camera) {}

    NTSTATUS SubmitUrb(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext) override;
    void CancelUrb(URB* pUrb) override;
    NTSTATUS ResetPort() override;
    void GetUSBDIVersion(USBD_VERSION_INFORMATION* pVersion) override;

    // The request block length of the last reset-pipe or abort-pipe request (20 or 24).
    USHORT GetLastPipeRequestLength() const { return m_nLastPipeRequestLength; }

private:
    // The completion of an image or isochronous transfer while the camera holds it.
    struct PENDING_URB {
        CSimUsbBus* pBus = nullptr;
        URB* pUrb = nullptr; // null: the slot is free
        PUSB_URB_COMPLETION pfnCompletion = nullptr;
        PVOID pContext = nullptr;
    };
    static void OnTransferDone(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred);
    static void OnIsoTransferDone(void* pKey, void* pContext, USBD_STATUS status, DWORD nTransferred);
    // A free slot for a transfer the camera will hold, or null.
    PENDING_URB* TakeSlot(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext);
    void FreeSlot(PENDING_URB* pSlot);
    // Takes the slot's completion and frees the slot.
    static PENDING_URB EndSlot(PENDING_URB* pSlot);

    USBD_STATUS SelectConfiguration(URB* pUrb);
    USBD_STATUS SelectInterface(URB* pUrb);
    USBD_STATUS FillInterface(BYTE nConfiguration, USBD_INTERFACE_INFORMATION* pInterface);
    // The endpoint behind a pipe handle of the current configuration, or 0.
    BYTE EndpointOf(USBD_PIPE_HANDLE hPipe) const;
    USBD_STATUS BulkTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext, bool* pbPending);
    USBD_STATUS IsoTransfer(URB* pUrb, PUSB_URB_COMPLETION pfnCompletion, PVOID pContext, bool* pbPending);

    CSimCamera& m_Camera;
    mutable std::mutex m_Mutex; // guards the members below; any thread
    ULONG m_nGeneration = 1;
    BYTE m_nConfiguration = 0;
    std::array<PENDING_URB, 64> m_Pending{}; // image and isochronous transfers the camera holds
    std::atomic<USHORT> m_nLastPipeRequestLength{0};
};
