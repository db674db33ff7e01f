// Frame transfer: the transfer thread filling the ring, and the reader's side that
// takes the newest completed frame.
#include "app/camera/camera_device.h"

#include "app/camera/camera_transfer.h"
#include "app/camera/raw_conversion.h"
#include "driver/camera_protocol.h"
#include "platform/log.h"

#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Raises the calling thread above normal priority, as far as the system allows an
// unprivileged process (a negative nice value needs CAP_SYS_NICE or RLIMIT_NICE);
// otherwise it keeps normal priority. Frames are paced by the camera, so a thread at
// normal priority still keeps up; the raise only guards against a busy machine.
void RaiseTransferThreadPriority()
{
    constexpr int kHighestNice = -10;
    const pid_t tid = static_cast<pid_t>(::syscall(SYS_gettid));
    for (int nNice = kHighestNice; nNice < 0; nNice += 5) {
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nNice) == 0)
            return;
    }
}

// Pause after a failed frame transfer before the next try.
constexpr int kRetryPauseMs = 100;

} // namespace

int CCameraDevice::NextWriteSlot(int nSlot, int nReadSlot, int nSlotCount)
{
    // Never start the next frame in the slot the reader holds.
    int nNext = (nSlot + 1) % nSlotCount;
    if (nNext == nReadSlot)
        nNext = (nNext + 1) % nSlotCount;
    return nNext;
}

int CCameraDevice::StartCapture()
{
    if (m_bStopped.load() == 0)
        return CAM_ERR_CAPTURING;
    // No ring (its allocation failed), or frames the slots cannot take: a transfer of
    // no bytes would pass for a good frame, a longer one would overrun its slot.
    const int nTransferSize = m_Geometry.m_nTransferSize;
    const std::size_t nCaptureBytes =
        nTransferSize > 0 ? (m_bTenBit ? 2u : 1u) * static_cast<std::size_t>(nTransferSize) : 0;
    if (m_nBufferCount == 0 || nCaptureBytes == 0 || nCaptureBytes > m_nSlotBytes)
        return CAM_ERR_NO_MEMORY;
    ReleaseEndedThread();
    m_nCaptureBytes = static_cast<int>(nCaptureBytes);
    m_hDoneEvent = std::make_unique<CManualResetEvent>();
    m_nThreadError.store(CAM_OK);
    m_nWriteSlot.store(0);
    m_nReadSlot.store(0);
    m_bStopped.store(0);
    m_TransferThread = std::thread([this] { TransferThread(); });
    return CAM_OK;
}

int CCameraDevice::StopCapture()
{
    int bWasStopped = 1;
    {
        std::lock_guard lock(m_FrameMutex);
        bWasStopped = m_bStopped.exchange(1);
    }
    if (bWasStopped) {
        // Not running, or the thread ended by itself: release what it left.
        ReleaseEndedThread();
        return CAM_OK;
    }
    m_StopRequested.notify_all();
    m_FrameCompleted.notify_all();
    ReleaseEndedThread();
    return m_nThreadError.load();
}

void CCameraDevice::ReleaseEndedThread()
{
    if (!m_hDoneEvent)
        return;
    m_hDoneEvent->Wait();
    m_TransferThread.join();
    m_hDoneEvent.reset();
}

void CCameraDevice::TransferThread()
{
    RaiseTransferThreadPriority();
    const CDeviceHandle device = OpenDevice();
    if (!device.IsValid()) {
        LogLine(ELogCategory::Camera, "transfer thread cannot open %s: status 0x%08X", m_szDevicePath,
                static_cast<unsigned>(device.GetOpenStatus()));
        m_nThreadError.store(CAM_ERR_NO_HANDLE);
    } else {
        const DWORD nFrameBytes = static_cast<DWORD>(m_nCaptureBytes);
        // Failed frames since the last good one; the log tells the start and the end
        // of each run of failures, never each frame.
        unsigned nFailedInRow = 0;
        while (m_bStopped.load() == 0) {
            const int nSlot = m_nWriteSlot.load();
            // The driver takes the direction from the pipe, not from the request code:
            // the command goes out with the read code, the frame comes in with the write code.
            CAM_MESSAGE command = CamBuildCommand(CAM_CMD_FRAME);
            CTransferStatus commandStatus;
            const int nCommand = Transfer(device, IOCTL_CAM_PIPE_READ, CAM_PIPE_COMMAND, command.data(),
                                          CAM_MESSAGE_SIZE, CAM_ERR_FRAME, &commandStatus);
            // The frame is read even when its command failed: a command that failed may
            // still have reached the camera, and its frame must not be left for the next read.
            CTransferStatus frameStatus;
            const int nFrame = Transfer(device, IOCTL_CAM_PIPE_WRITE, CAM_PIPE_IMAGE, m_Slots[nSlot].get(),
                                        nFrameBytes, CAM_ERR_FRAME, &frameStatus);
            const bool bFailed = nCommand != CAM_OK || nFrame != CAM_OK;
            if (bFailed) {
                if (nFailedInRow++ == 0) {
                    const bool bCommandFailed = nCommand != CAM_OK;
                    const CTransferStatus& failed = bCommandFailed ? commandStatus : frameStatus;
                    LogLine(ELogCategory::Camera, "frame %s failed: status 0x%08X, %u of %u bytes",
                            bCommandFailed ? "command" : "transfer", static_cast<unsigned>(failed.Status),
                            static_cast<unsigned>(failed.dwReturned),
                            static_cast<unsigned>(bCommandFailed ? CAM_MESSAGE_SIZE : nFrameBytes));
                }
                // The error stays for the rest of the capture.
                m_nThreadError.store(CAM_ERR_FRAME);
            } else if (nFailedInRow > 0) {
                LogLine(ELogCategory::Camera, "frames arrive again after %u failed transfers", nFailedInRow);
                nFailedInRow = 0;
            }
            // The slot's outcome is published with the write index that offers the slot
            // to the reader: the flag is stored first.
            m_SlotFailed[nSlot].store(bFailed);
            const int nNext = NextWriteSlot(nSlot, m_nReadSlot.load(), m_nBufferCount);
            {
                std::lock_guard lock(m_FrameMutex);
                m_nWriteSlot.store(nNext);
            }
            m_FrameCompleted.notify_all();
            // A camera that has gone fails every request at once: pause between tries
            // instead of spinning, but wake at once for a stop.
            if (bFailed) {
                std::unique_lock lock(m_FrameMutex);
                m_StopRequested.wait_for(lock, std::chrono::milliseconds(kRetryPauseMs),
                                         [this] { return m_bStopped.load() != 0; });
            }
        }
    }
    {
        std::lock_guard lock(m_FrameMutex);
        m_bStopped.store(1);
    }
    m_FrameCompleted.notify_all();
    m_hDoneEvent->Set();
}

BOOL CCameraDevice::IsFrameReady()
{
    if (m_nBufferCount == 0)
        return FALSE;
    int n = m_nWriteSlot.load();
    const int r = m_nReadSlot.load();
    if (n < r)
        n += m_nBufferCount;
    if (n - r <= 0)
        return FALSE;
    m_nReadSlot.store((n - 1) % m_nBufferCount);
    return TRUE;
}

BOOL CCameraDevice::WaitFrameReady(DWORD dwMilliseconds)
{
    {
        std::unique_lock lock(m_FrameMutex);
        const int nSeen = m_nWriteSlot.load();
        const int nRead = m_nReadSlot.load();
        // A frame may be waiting already when the writer is more than one slot past the reader.
        const bool bPending = nSeen != nRead;
        if (!bPending && m_bStopped.load() == 0) {
            m_FrameCompleted.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), [this, nSeen] {
                return m_nWriteSlot.load() != nSeen || m_bStopped.load() != 0;
            });
        }
    }
    return IsFrameReady();
}

int CCameraDevice::GetFrame(BYTE* pDst, BOOL bDemosaic, BOOL bAutoWhiteBalance, BOOL bRaw, int nDstStride,
                            std::size_t nDstSize)
{
    if (pDst == nullptr || m_nBufferCount == 0)
        return CAM_ERR_NULL_BUFFER;
    const CRawGeometry& g = m_Geometry;
    // The whole useful window must lie within the raw geometry.
    if (g.m_nHEffective > g.m_nHTotal || g.m_nVEffective > g.m_nVTotal || g.m_nHEffective < 1 || g.m_nVEffective < 1)
        return CAM_ERR_RECT_TOO_LARGE;

    const int nPixelBytes = bRaw ? (m_bTenBit ? 2 : 1) : 3;
    const int nRowBytes = g.m_nHEffective * nPixelBytes;
    const int nStride = nDstStride > 0 ? nDstStride : nRowBytes;
    if (nStride < nRowBytes || static_cast<std::size_t>(nStride) * (g.m_nVEffective - 1) + nRowBytes > nDstSize)
        return CAM_ERR_NULL_BUFFER;

    const int nSlot = m_nReadSlot.load();
    // A slot whose transfer failed holds a partial or stale frame: the caller keeps
    // its last good picture, and the reader moves on as after any frame.
    if (m_SlotFailed[nSlot].load()) {
        m_nReadSlot.store((nSlot + 1) % m_nBufferCount);
        return CAM_ERR_FRAME;
    }
    const CRawFrame frame{m_Slots[nSlot].get(), g, m_bTenBit != 0, m_nBayerPhase};
    int nResult = CAM_OK;
    if (bRaw) {
        CopyRawWindow(frame, pDst, nStride);
    } else if (!bDemosaic) {
        ConvertRawToGrey(frame, pDst, nStride);
    } else {
        if (bAutoWhiteBalance)
            MeasureRawWhiteBalance(frame, m_dGain);
        if (!DemosaicRaw(frame, m_nDemosaicMode, m_dGain, pDst, nStride))
            nResult = CAM_ERR_NO_MEMORY;
    }
    m_nReadSlot.store((nSlot + 1) % m_nBufferCount);
    return nResult;
}
