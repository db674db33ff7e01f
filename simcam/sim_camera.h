// CSimCamera: the simulated camera as hardware: USB microcontroller, camera firmware, image
// sensor with its frame clock and scene, and the USB device's endpoints, with fault injection.
#pragma once

#include "driver/usb_types.h"
#include "simcam/sim_camera_firmware.h"
#include "simcam/sim_frame_renderer.h"
#include "simcam/sim_iso_endpoints.h"
#include "simcam/sim_microcontroller.h"
#include "simcam/sim_scene.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct SIM_CAMERA_OPTIONS {
    // Frames at the sensor's own rate (SimFramePeriodSeconds); false: as soon as asked for.
    bool bPaced = true;
    unsigned nNoiseSeed = 1;
    WORD nSerial = 0;
    ULONG nUsbdiVersion = 0x0500; // the USB interface version the bus reports
    // The scene; null: the stage micrometer scene.
    std::shared_ptr<const CSimRadiance> pScene;
};

enum class SIM_EVENT_KIND {
    Command,             // code: command byte; length: message length
    VendorRequest,       // code: request; value: address; length: data length
    ImageTransferQueued, // length: transfer length
    FrameDelivered,      // length: bytes delivered
};
struct SIM_EVENT {
    SIM_EVENT_KIND Kind;
    BYTE nCode = 0;
    WORD nValue = 0;
    DWORD nLength = 0;
};

struct SIM_CAMERA_STATS {
    DWORD nCommands = 0;
    std::array<DWORD, 256> CommandsByCode{};
    DWORD nReplyReads = 0;
    DWORD nFramesDelivered = 0;
    DWORD nShortFrames = 0;
    DWORD nImageTransfersCancelled = 0;
    DWORD nFirmwareRecords = 0; // memory writes received by the microcontroller
    DWORD nFirmwareBytes = 0;
    DWORD nPortResets = 0;
    DWORD nPipeAborts = 0;
};

// PSIM_TRANSFER_DONE (simcam/sim_iso_endpoints.h) ends a queued image or isochronous transfer.

// Every member may be called from any thread. The command and reply endpoints answer at once
// on the caller's thread; image transfers wait on the camera's frame thread for the next
// frame that is due after a CAM_CMD_FRAME, which it renders straight into the transfer's
// buffer. The frame thread sleeps until a frame is due; it never spins. The isochronous
// endpoints of alternate setting 1 run on their own thread (CSimIsoEndpoints).
class CSimCamera {
public:
    explicit CSimCamera(const SIM_CAMERA_OPTIONS& options = {});
    ~CSimCamera(); // ends transfers still queued (cancelled) and the frame thread
    CSimCamera(const CSimCamera&) = delete;
    CSimCamera& operator=(const CSimCamera&) = delete;

    // --- the USB device (used by the bus adapter) ---
    USBD_STATUS GetDescriptor(BYTE nType, BYTE nIndex, WORD nLanguage, BYTE* pBuffer, DWORD nLength,
                              DWORD* pnCopied);
    USBD_STATUS SetConfiguration(BYTE nValue); // 0 unconfigures; the interface goes back to setting 0
    BYTE GetConfiguration() const;
    // Selects an alternate setting of interface 0 on a configured device (a stall for others).
    USBD_STATUS SetInterface(BYTE nInterface, BYTE nAlternate);
    BYTE GetAlternateSetting() const;
    USBD_STATUS VendorRequest(BYTE nRequest, WORD nValue, WORD nIndex, bool bIn, BYTE* pData, DWORD nLength,
                              DWORD* pnMoved);
    USBD_STATUS SetFeature(WORD nSelector, WORD nIndex);
    ULONG GetFrameNumber() const; // milliseconds since power-on, from 1
    // A bulk transfer on endpoint nEndpoint. Image transfers answer USBD_STATUS_PENDING and end
    // later through pfnDone(pKey, pContext, ...); the others end at once (*pnMoved).
    USBD_STATUS BulkTransfer(BYTE nEndpoint, BYTE* pBuffer, DWORD nLength, DWORD* pnMoved, PSIM_TRANSFER_DONE pfnDone,
                             void* pKey, void* pContext);
    // An isochronous transfer on an endpoint of setting 1 (see CSimIsoEndpoints::Queue).
    USBD_STATUS IsoTransfer(BYTE nEndpoint, BYTE* pBuffer, USBD_ISO_PACKET_DESCRIPTOR* pPackets, ULONG nPackets,
                            PSIM_TRANSFER_DONE pfnDone, void* pKey, void* pContext);
    // Ends the queued image or isochronous transfer pKey as cancelled; one being delivered
    // is left alone.
    void CancelTransfer(void* pKey);
    void AbortEndpoint(BYTE nEndpoint);
    void ResetPort();
    ULONG GetUsbdiVersion() const { return m_Options.nUsbdiVersion; }

    // --- faults ---
    void Unplug(); // gone for good: queued and later transfers end with USBD_STATUS_DEVICE_GONE
    bool IsUnplugged() const;
    void SetStall(bool bStall);          // no frames: image transfers wait until cancelled
    void SetShortFrame(DWORD nBytes);    // frames end after nBytes (0: whole frames)
    void SetNoFirmware(bool bNoFirmware); // the camera firmware never starts
    // Holds commands at the command endpoint until released (a slow camera).
    void HoldCommands(bool bHold);
    // Waits until a command is held; FALSE after nMilliseconds without one.
    bool WaitForHeldCommand(DWORD nMilliseconds);

    // --- scene ---
    void SetScene(std::shared_ptr<const CSimRadiance> pScene); // from the next frame on

    // --- inspection ---
    SIM_CAMERA_STATS GetStats() const;
    SIM_ISO_STATS GetIsoStats() const { return m_Iso.GetStats(); }
    std::vector<SIM_EVENT> TakeEvents(); // the events since the last call (at most 4096)
    WORD PeekRegister(BYTE nRegister) const;
    SIM_PROGRAM GetProgram() const;
    bool IsHalfClock() const;
    double GetFrameRate() const; // of the current settings

private:
    struct QUEUED_TRANSFER {
        BYTE* pBuffer;
        DWORD nLength;
        PSIM_TRANSFER_DONE pfnDone;
        void* pKey;
        void* pContext;
    };
    using Clock = std::chrono::steady_clock;

    bool IsFirmwareRunningLocked() const { return m_Mcu.GetProgram() == SIM_PROGRAM::CameraFirmware; }
    bool IsFrameWantedLocked() const;
    void LogLocked(SIM_EVENT event);
    // Takes every queued transfer out, to end them after the lock is released.
    std::vector<QUEUED_TRANSFER> TakeQueuedLocked();
    static void EndTransfers(const std::vector<QUEUED_TRANSFER>& transfers, USBD_STATUS status);
    Clock::time_point NextFrameDueLocked(Clock::time_point now);
    void FrameThread();

    const SIM_CAMERA_OPTIONS m_Options;
    const Clock::time_point m_tPowerOn;

    mutable std::mutex m_Mutex; // guards everything below except m_Renderer; any thread
    std::condition_variable m_Changed; // state changed: frame thread, held commands
    CSimMicrocontroller m_Mcu;
    CSimCameraFirmware m_Firmware;
    std::vector<QUEUED_TRANSFER> m_Queued; // capacity reserved once
    std::vector<SIM_EVENT> m_Events;       // capacity reserved once
    SIM_CAMERA_STATS m_Stats;
    std::shared_ptr<const CSimRadiance> m_pNewScene;
    Clock::time_point m_tNextFrame{};
    BYTE m_nConfiguration = 0;
    BYTE m_nAlternateSetting = 0;
    bool m_bUnplugged = false;
    bool m_bStall = false;
    bool m_bHoldCommands = false;
    int m_nHeldCommands = 0;
    DWORD m_nShortFrameBytes = 0;
    bool m_bShutdown = false;

    // Told of every change of configuration, setting and presence after m_Mutex is released;
    // it has its own lock and thread.
    CSimIsoEndpoints m_Iso;
    CSimFrameRenderer m_Renderer; // frame thread only (and the constructor)
    std::thread m_FrameThread;    // last: starts when everything else exists
};
