// The live view: starting and stopping the camera, the display thread that takes,
// processes and shows each new frame, LIVE (freeze / resume) and WB.
#include "app/shell/viewer_dlg.h"

#include "app/shell/live_camera.h"
#include "app/shell/main_window_template.h"
#include "app/shell/view_render.h"
#include "platform/clock.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>

#include <chrono>
#include <cstdio>

namespace {

// The UI thread must have ticked this recently for frames to be processed.
constexpr DWORD kHeartbeatMs = 500;
// Longest sleep of the display thread before it looks at its state again.
constexpr DWORD kIdleWaitMs = 100;

} // namespace

void CViewerDlg::CreateFramePictures(int nWidth, int nHeight)
{
    m_RawImage.Destroy();
    m_ColorImage.Destroy();
    m_RawImage.Create(nWidth, nHeight, 8);
    m_ColorImage.Create(nWidth, nHeight, 24);
}

BOOL CViewerDlg::ActivateCamera()
{
    const bool bPresent = m_Camera.IsDevicePresent(0) != FALSE;
    if (bPresent) {
        SetCaptureState(CAPTURE_IDLE);
        m_Camera.StopCapture();
    }
    CreateFramePictures(m_Settings.EH, m_Settings.EV);
    if (!bPresent)
        return TRUE;

    const CaptureWindow window = StartLiveCapture(m_Camera, m_Settings, [](bool bBusy) {
        if (bBusy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    if (window.nWidth != m_Settings.EH || window.nHeight != m_Settings.EV)
        CreateFramePictures(window.nWidth, window.nHeight);
    SetCaptureState(CAPTURE_RUNNING);
    return TRUE;
}

void CViewerDlg::StopCamera()
{
    SetCaptureState(CAPTURE_IDLE);
    m_Camera.StopCapture();
}

void CViewerDlg::OnLive()
{
    if (m_bFrozen) {
        ActivateCamera();
        SetCaptureState(CAPTURE_RUNNING);
        StartDisplayThread();
        m_bFrozen = 0;
    } else {
        SetCaptureState(CAPTURE_LEAVE);
        JoinDisplayThread();
        StopCamera();
        m_bFrozen = 1;
    }
    RecalcLayout();
    m_bRepaintAll = 1;
    GetDlgItem(IDC_LIVE)->update();
    update();
}

void CViewerDlg::OnWhiteBalance()
{
    {
        std::lock_guard lock(m_SettingsMutex);
        m_Settings.m_WB_Flg = m_Settings.m_WB_Flg == 0 ? 1 : 0;
    }
    update();
}

void CViewerDlg::SetCaptureState(int nState)
{
    {
        std::lock_guard lock(m_StateMutex);
        m_nCaptureState.store(nState);
    }
    m_StateChanged.notify_all();
}

void CViewerDlg::WaitForCaptureState(int nSeen, DWORD dwMilliseconds)
{
    std::unique_lock lock(m_StateMutex);
    m_StateChanged.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                            [this, nSeen] { return m_nCaptureState.load() != nSeen; });
}

void CViewerDlg::StartDisplayThread()
{
    m_hThreadDone = std::make_unique<CManualResetEvent>();
    m_DisplayThread = std::thread([this] { CaptureThreadProc(); });
}

void CViewerDlg::JoinDisplayThread()
{
    if (!m_hThreadDone)
        return;
    m_hThreadDone->Wait();
    m_DisplayThread.join();
    m_hThreadDone.reset();
}

void CViewerDlg::CaptureThreadProc()
{
    CaptureLoop();
    m_hThreadDone->Set();
}

BOOL CViewerDlg::CaptureLoop()
{
    // Wait for the window's message loop to run: the first UI tick.
    for (int nState = m_nCaptureState.load(); nState != CAPTURE_LEAVE && m_dwLastTick.load() == 0;
         nState = m_nCaptureState.load())
        WaitForCaptureState(nState, kIdleWaitMs);

    for (int nState = m_nCaptureState.load(); nState != CAPTURE_LEAVE; nState = m_nCaptureState.load()) {
        // Frames are processed only while the UI thread keeps ticking.
        if (timeGetTime() - m_dwLastTick.load() > kHeartbeatMs) {
            WaitForCaptureState(nState, 10);
            continue;
        }
        if (nState != CAPTURE_RUNNING || !m_Camera.IsCapturing()) {
            WaitForCaptureState(nState, kIdleWaitMs);
            continue;
        }
        // Sleeps until the camera completes a frame (or a short while passes).
        if (!m_Camera.WaitFrameReady(kIdleWaitMs) || m_nCaptureState.load() != CAPTURE_RUNNING)
            continue;
        ProcessNewFrame();
    }
    return TRUE;
}

LiveSettings CViewerDlg::LiveSettingsSnapshot() const
{
    std::lock_guard lock(m_SettingsMutex);
    return MakeLiveSettings(m_Settings);
}

void CViewerDlg::ProcessNewFrame()
{
    const DWORD t0 = timeGetTime();
    m_Camera.GetFrame(m_RawImage.Bits(), FALSE, FALSE, TRUE, m_RawImage.Stride(),
                      static_cast<std::size_t>(m_RawImage.Stride()) * m_RawImage.Height());

    LiveSettings live = LiveSettingsSnapshot();
    CExposureCameraOf<CCameraDevice> camera(m_Camera);
    CColorGains gains;
    if (m_FrameChain.Process(m_RawImage, m_ColorImage, live, &camera, timeGetTime(), &gains)) {
        std::lock_guard lock(m_SettingsMutex);
        m_Settings.m_BayerR = gains.m_BayerR;
        m_Settings.m_BayerG = gains.m_BayerG;
        m_Settings.m_BayerB = gains.m_BayerB;
        m_Settings.m_WB_Flg = 0;
    }

    const DWORD t1 = timeGetTime();
    ShowFrame(CLiveFrameChain::Shown(m_RawImage, m_ColorImage, live));
    const DWORD t2 = timeGetTime();
    const DWORD t3 = timeGetTime();

    const DWORD dwNow = timeGetTime();
    if (!m_bFpsStarted) {
        m_bFpsStarted = true;
        m_dwFpsWindowStart = dwNow;
    }
    ++m_nFpsFrames;
    if (dwNow - m_dwFpsWindowStart > 1000) {
        m_dFps = m_nFpsFrames * 1000.0 / (dwNow - m_dwFpsWindowStart);
        m_nFpsFrames = 0;
        m_dwFpsWindowStart = dwNow;
    }
    char szTitle[256];
    std::snprintf(szTitle, sizeof szTitle,
                  "Vexilo Version 1.510  Capture Time %3d GetImage Time %3d  ShowImage Time %3d  Frame per Second %.1f",
                  static_cast<int>(t3 - t0), static_cast<int>(t1 - t0), static_cast<int>(t2 - t1), m_dFps);
    SetTitleText(szTitle);
}

void CViewerDlg::ShowFrame(const CDibImage& shown)
{
    const ViewGeometry view = ViewSnapshot();
    if (!RenderView(shown, view.rcView, view.nZoom, view.offsets, m_Handover.Back()))
        return;
    m_Handover.Publish();
    const QRect rcView(view.rcView.left, view.rcView.top, view.rcView.right - view.rcView.left,
                       view.rcView.bottom - view.rcView.top);
    QMetaObject::invokeMethod(this, [this, rcView] { update(rcView); }, Qt::QueuedConnection);
}
