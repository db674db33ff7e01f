// CCameraDevice: one camera reached through the driver's device path: the camera's
// 64-byte commands, sensor registers, the raw frame geometry, the ring of frame
// slots filled by the transfer thread, and raw or colour frames for the caller.
#pragma once

#include "app/camera/raw_geometry.h"
#include "platform/devio.h"
#include "platform/manual_reset_event.h"
#include "platform/win_types.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Result codes of the camera library (0 is success).
constexpr int CAM_OK = 0;
constexpr int CAM_ERR_BAD_WINDOW = 1;
constexpr int CAM_ERR_RING_H = 3;
constexpr int CAM_ERR_RING_V = 4;
constexpr int CAM_ERR_RECT_TOO_LARGE = 5;
constexpr int CAM_ERR_NO_MEMORY = 7;
constexpr int CAM_ERR_NO_HANDLE = 10;
constexpr int CAM_ERR_COMMAND = 12;
constexpr int CAM_ERR_NULL_BUFFER = 14;
constexpr int CAM_ERR_FRAME = 19;
constexpr int CAM_ERR_CAPTURING = 21;
constexpr int CAM_ERR_BAD_INDEX = 22;

constexpr int CAM_MAX_DEVICES = 8;
constexpr int CAM_RING_SLOTS = 10;

// Every operation is synchronous and answers a result; none throws. Each function
// below names the results it answers: codes above, or BOOL truth values. Register
// and command operations open their own device handle and close it before they
// return, so they may run on any thread while capture runs. The device path,
// geometry, data width and ring are the transfer thread's while capture runs:
// Initialize, SetCaptureWindow, SetDataWidth and SetHalfClock refuse then, change
// nothing and send nothing; stop capture first. These four, StartCapture and
// StopCapture are called from one thread; IsFrameReady, WaitFrameReady and GetFrame
// from one reader thread (it may be the same one), never while the window or the
// data width changes.
class CCameraDevice {
public:
    // Probes device indices 0..7 in the namespace and initialises device 0.
    explicit CCameraDevice(CDeviceNamespace& devices);
    // Stops a running capture and frees the ring.
    ~CCameraDevice();
    CCameraDevice(const CCameraDevice&) = delete;
    CCameraDevice& operator=(const CCameraDevice&) = delete;

    // TRUE when device nIndex (0..7) could be opened at construction.
    BOOL IsDevicePresent(int nIndex) const;
    // Selects device nIndex (0..8) and puts it into its start state: 8-bit data, init
    // command, full 640 x 480 window, white-balance gains 1.0, output mode 0. The
    // camera's own answers are not waited for: a missing camera still gives CAM_OK.
    // While capture runs, or for an index outside 0..8, nothing is changed (device,
    // window, ring, data width, gains) and nothing is sent.
    // CAM_OK, CAM_ERR_CAPTURING, CAM_ERR_BAD_INDEX.
    int Initialize(int nIndex);
    // Capture window on the 640 x 480 sensor; demosaicMode 0 smooth, 1..3 simple. It
    // replaces the ring, so it is refused while capture runs.
    // CAM_OK, CAM_ERR_BAD_WINDOW and CAM_ERR_CAPTURING (nothing changed, nothing sent),
    // CAM_ERR_NO_MEMORY (no ring).
    int SetCaptureWindow(int x, int y, int nWidth, int nHeight, int nDemosaicMode);
    // Stores the data width and tells the camera. TRUE, whether or not the camera
    // was reached; FALSE while capture runs (nothing changed, nothing sent).
    int SetDataWidth(BOOL bTenBit);
    // TRUE and *pbHalf set when the camera answered; FALSE, *pbHalf left alone.
    BOOL GetHalfClock(BOOL* pbHalf);
    // Switches the clock and re-initialises the camera (full window, registers reset).
    // TRUE when the device could be opened; FALSE while capture runs (nothing changed,
    // nothing sent).
    BOOL SetHalfClock(BOOL bHalf);
    // TRUE when the register is writable and the command went out.
    BOOL WriteRegister(int nRegister, int nValue);
    // TRUE and *pValue set when the register is readable and the camera answered;
    // FALSE with *pValue 0 (left alone for a register that is not readable).
    BOOL ReadRegister(int nRegister, WORD* pValue);

    // As WriteRegister.
    BOOL SetGlobalGain(int nGain);
    // The gain read back; 0 when it could not be read.
    int GetGlobalGain();
    int GetGlobalGainMin() const { return 0; }
    int GetGlobalGainMax() const { return 127; }
    // As WriteRegister; FALSE for a register other than the four colour gains.
    BOOL SetColorGain(int nRegister, int nGain);
    // As WriteRegister.
    BOOL SetExposure(int nLines);
    // As ReadRegister.
    BOOL GetExposure(WORD* pLines);
    int GetExposureMin() const { return 2; }
    int GetExposureMax() const { return 502; }
    // The camera has one trigger mode. CAM_OK.
    int SetTriggerMode(int nMode);

    // Starts the transfer thread, which fills the ring with frames of the current
    // window and data width.
    // CAM_OK, CAM_ERR_CAPTURING (already running), CAM_ERR_NO_MEMORY (no ring, or a
    // frame of no bytes or of more than a slot holds; nothing starts).
    int StartCapture();
    // Stops the transfer thread and answers its error; CAM_OK at once when it does
    // not run (also when it ended by itself).
    // CAM_OK, CAM_ERR_FRAME (some frame transfer failed), CAM_ERR_NO_HANDLE.
    int StopCapture();
    // The transfer thread's error so far in the running capture, or of the last one
    // once it has ended; any thread.
    // CAM_OK, CAM_ERR_NO_HANDLE (the device could not be opened), CAM_ERR_FRAME.
    int CaptureError() const { return m_nThreadError.load(); }
    // Whether the transfer thread runs.
    BOOL IsCapturing() const { return m_bStopped.load() == 0; }
    // Whether a frame completed since the last one taken; moves the read slot onto
    // the newest completed frame.
    BOOL IsFrameReady();
    // Waits up to dwMilliseconds until a frame may be ready or capture has stopped;
    // answers IsFrameReady(). Lets a reader sleep instead of polling.
    BOOL WaitFrameReady(DWORD dwMilliseconds);
    // Copies (bRaw) or converts the read slot into pDst, which holds nDstSize bytes,
    // and moves to the next slot. Rows go top to bottom, nDstStride bytes apart (0:
    // packed rows); a picture that would not fit in nDstSize bytes is refused and pDst
    // left untouched. A slot whose transfer failed gives CAM_ERR_FRAME and leaves pDst
    // untouched.
    // CAM_OK, CAM_ERR_NULL_BUFFER (null destination, no ring, or too small),
    // CAM_ERR_RECT_TOO_LARGE, CAM_ERR_FRAME, CAM_ERR_NO_MEMORY (the demosaic's work
    // memory).
    int GetFrame(BYTE* pDst, BOOL bDemosaic, BOOL bAutoWhiteBalance, BOOL bRaw, int nDstStride, std::size_t nDstSize);

    const CRawGeometry& Geometry() const { return m_Geometry; }
    int BayerPhase() const { return m_nBayerPhase; }
    const char* DevicePath() const { return m_szDevicePath; }
    const double* WhiteBalanceGains() const { return m_dGain; }

    // The slot the transfer thread fills after nSlot: the next one, skipping the slot
    // the reader holds.
    static int NextWriteSlot(int nSlot, int nReadSlot, int nSlotCount);

private:
    friend class CCameraDeviceTest;

    // TRUE when register 0x07 was written.
    BOOL SetOutputMode(int nMode);
    // CAM_OK, CAM_ERR_RING_H, CAM_ERR_RING_V, CAM_ERR_BAD_WINDOW (fewer than 2
    // slots), CAM_ERR_NO_MEMORY (no slots left).
    int AllocateRing(const CRawGeometry& geometry, int nSlots);
    void FreeRing();
    // Sends one 64-byte command on a handle of its own; results as SendCommand.
    int SendCommandOnce(const BYTE* pCommand, std::size_t nCount);
    // Sends a command on a handle of its own and reads its 64-byte answer (the second
    // reply) into pReply.
    // CAM_OK, CAM_ERR_NO_HANDLE, CAM_ERR_COMMAND.
    int AskOnce(const BYTE* pCommand, std::size_t nCount, BYTE* pReply);
    CDeviceHandle OpenDevice() const;
    void TransferThread();
    void ReleaseEndedThread();

    CDeviceNamespace& m_Devices;
    char m_szDeviceName[32] = "Lorvidex07";
    char m_szDevicePath[64] = {};
    int m_nDeviceIndex = 0;
    int m_bPresent[CAM_MAX_DEVICES] = {};
    int m_bTenBit = 0;
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = 640;
    int m_nHeight = 480;
    int m_nDemosaicMode = 0;
    int m_nBayerPhase = 0;
    CRawGeometry m_Geometry = CRawGeometry::Reset();
    double m_dGain[3] = {1.0, 1.0, 1.0};

    // The ring of frame slots, each 2 x transfer size bytes.
    std::vector<std::unique_ptr<BYTE[]>> m_Slots;
    // Per slot: its last transfer failed. Written by the transfer thread before the
    // write index that offers the slot, read by GetFrame on the reader's thread.
    std::unique_ptr<std::atomic<bool>[]> m_SlotFailed;
    int m_nBufferCount = 0;
    std::size_t m_nSlotBytes = 0; // bytes of each slot

    // Capture state shared with the transfer thread.
    std::atomic<int> m_bStopped{1};
    // CAM_OK until the transfer thread fails, then its error for the rest of the
    // capture. Written by the transfer thread (reset by StartCapture before it
    // starts), read by any thread.
    std::atomic<int> m_nThreadError{CAM_OK};
    std::atomic<int> m_nWriteSlot{0}; // written by the transfer thread
    std::atomic<int> m_nReadSlot{0};  // written by the reader
    int m_nCaptureBytes = 0;
    std::unique_ptr<CManualResetEvent> m_hDoneEvent;
    std::thread m_TransferThread;
    // Guards the changes of m_nWriteSlot and m_bStopped that the two condition
    // variables announce, so no wake-up is lost.
    std::mutex m_FrameMutex;
    std::condition_variable m_FrameCompleted; // a slot completed or capture stopped: wakes WaitFrameReady
    std::condition_variable m_StopRequested;  // wakes the transfer thread from its pause after a failure
};
