// The live view's life (start, freeze, resume, close), its display thread and the
// figures of the title line.
#include "app/shell/core/live_view.h"

#include "app/files/picture_loader.h"
#include "app/shell/core/live_camera.h"
#include "app/shell/core/view_render.h"
#include "driver/camera_protocol.h"
#include "platform/clock.h"
#include "platform/log.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

namespace {

// The UI thread must have ticked this recently for frames to be processed.
constexpr DWORD kHeartbeatMs = 500;
// Longest sleep of the display thread before it looks at its state again.
constexpr DWORD kIdleWaitMs = 100;
// Sleep while the UI thread does not tick.
constexpr DWORD kHeartbeatWaitMs = 10;
// Without a good frame for this long while running, the camera counts as silent.
constexpr DWORD kMissingFrameMs = 1000;

double SteadyMilliseconds()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

CLiveView::CLiveView(CCameraDevice& camera, CSharedSettings& settings, CHooks hooks)
    : m_Camera(camera), m_Settings(settings), m_Hooks(std::move(hooks))
{
    FormatInitialTitleLine(m_szTitle);
}

CLiveView::~CLiveView()
{
    // The display thread uses the members: it must be gone before they are.
    SetCaptureState(ECaptureState::Leave);
    JoinDisplayThread();
}

// ---------------------------------------------------------------------------
// Life of the live view (UI thread)

void CLiveView::CreateFramePictures(int nWidth, int nHeight)
{
    m_RawImage.Destroy();
    m_ColorImage.Destroy();
    if (!m_RawImage.Create(nWidth, nHeight, 8) || !m_ColorImage.Create(nWidth, nHeight, 24))
        LogLine(ELogCategory::Camera, "no memory for %d x %d frame pictures", nWidth, nHeight);
}

BOOL CLiveView::ActivateCamera()
{
    // The frame pictures are re-created below: no display thread may be drawing on them.
    SetCaptureState(ECaptureState::Leave);
    JoinDisplayThread();

    const bool bPresent = m_Camera.IsDevicePresent(0) != FALSE;
    if (bPresent)
        StopCamera();
    const CViewerSettings settings = m_Settings.Snapshot();
    // A stored size no camera can deliver would only cost memory (an "EH" of a million
    // asks for gigabytes); the pictures take the full sensor's size then, as the
    // camera's start falls back to its full window for such a size.
    if (settings.EH >= 1 && settings.EH <= CAM_SENSOR_WIDTH && settings.EV >= 1 && settings.EV <= CAM_SENSOR_HEIGHT) {
        CreateFramePictures(settings.EH, settings.EV);
    } else {
        LogLine(ELogCategory::Camera, "stored frame size %d x %d is beyond the sensor: %d x %d taken", settings.EH,
                settings.EV, CAM_SENSOR_WIDTH, CAM_SENSOR_HEIGHT);
        CreateFramePictures(CAM_SENSOR_WIDTH, CAM_SENSOR_HEIGHT);
    }
    if (!bPresent) {
        LogLine(ELogCategory::Camera, "no camera at %s: the live view stays without frames", m_Camera.DevicePath());
        return TRUE;
    }
    const CCaptureWindow window = StartLiveCapture(m_Camera, settings, m_Hooks.onSlowStep);
    if (window.nWidth != settings.EH || window.nHeight != settings.EV)
        CreateFramePictures(window.nWidth, window.nHeight);
    SetCaptureState(ECaptureState::Running);
    return TRUE;
}

int CLiveView::StopCamera()
{
    SetCaptureState(ECaptureState::Idle);
    const int nResult = m_Camera.StopCapture();
    if (nResult != CAM_OK)
        LogLine(ELogCategory::Camera, "capture stopped; it had failed with %d", nResult);
    return nResult;
}

void CLiveView::StartDisplayThread(std::uint64_t nFrameLimit)
{
    SetCaptureState(ECaptureState::Leave);
    JoinDisplayThread();
    m_nFrameLimit = nFrameLimit;
    {
        std::lock_guard lock(m_StateMutex);
        m_Statistics = CLiveStatistics{};
    }
    SetCaptureState(ECaptureState::Running);
    m_hThreadDone = std::make_unique<CManualResetEvent>();
    m_DisplayThread = std::thread([this] { CaptureThreadProc(); });
}

void CLiveView::Freeze()
{
    SetCaptureState(ECaptureState::Leave);
    JoinDisplayThread();
    StopCamera();
    m_bFrozen = 1;
}

void CLiveView::Resume()
{
    ActivateCamera();
    StartDisplayThread();
    m_bFrozen = 0;
}

bool CLiveView::LoadShownPicture(const char* szPath)
{
    if (IsDisplayThreadRunning()) {
        LogLine(ELogCategory::Files, "%s not opened: the live view still runs", szPath);
        return false;
    }
    CDibImage& shown = m_Settings.Read(IsColorPictureShown) ? m_ColorImage : m_RawImage;
    shown.Destroy();
    if (LoadPicture(shown, szPath) == 0) {
        LogLine(ELogCategory::Files, "%s cannot be opened as a picture", szPath);
        return false;
    }
    return true;
}

int CLiveView::Close()
{
    const int nResult = StopCamera();
    SetCaptureState(ECaptureState::Leave);
    JoinDisplayThread();
    return nResult;
}

void CLiveView::JoinDisplayThread()
{
    if (!m_hThreadDone)
        return;
    m_hThreadDone->Wait();
    m_DisplayThread.join();
    m_hThreadDone.reset();
}

void CLiveView::SetCaptureState(ECaptureState state)
{
    {
        std::lock_guard lock(m_StateMutex);
        m_nCaptureState.store(state);
    }
    m_StateChanged.notify_all();
}

void CLiveView::WaitForCaptureState(ECaptureState seen, DWORD dwMilliseconds)
{
    std::unique_lock lock(m_StateMutex);
    m_StateChanged.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                            [this, seen] { return m_nCaptureState.load() != seen; });
}

// ---------------------------------------------------------------------------
// Heartbeat, view and what to show

void CLiveView::Tick(DWORD dwNow)
{
    // 0 means "no tick yet", so a clock reading of 0 counts as 1.
    if (m_dwLastTick.exchange(dwNow != 0 ? dwNow : 1) == 0) {
        // The display thread waits for the first tick: wake it (taking the lock, so the
        // wake-up cannot fall between its look at the tick and its wait).
        { std::lock_guard lock(m_StateMutex); }
        m_StateChanged.notify_all();
    }
}

void CLiveView::SetView(const CViewGeometry& view)
{
    std::lock_guard lock(m_ViewMutex);
    m_View = view;
}

CViewGeometry CLiveView::View() const
{
    std::lock_guard lock(m_ViewMutex);
    return m_View;
}

const CDibImage& CLiveView::ShownImage() const
{
    return m_Settings.Read(IsColorPictureShown) ? m_ColorImage : m_RawImage;
}

const CDibImage* CLiveView::TakeViewPicture()
{
    if (IsDisplayThreadRunning()) {
        m_Handover.TakeNewest();
        return m_Handover.Front().IsCreated() ? &m_Handover.Front() : nullptr;
    }
    // No display thread: the frame pictures are the UI thread's alone.
    const CViewGeometry view = View();
    return RenderView(ShownImage(), view.rcView, view.nZoom, view.offsets, m_UiView) ? &m_UiView : nullptr;
}

std::string CLiveView::TitleText() const
{
    std::lock_guard lock(m_TitleMutex);
    return m_szTitle;
}

void CLiveView::SetTitleText(const char (&szTitle)[TITLE_LINE_SIZE])
{
    std::lock_guard lock(m_TitleMutex);
    std::copy(std::begin(szTitle), std::end(szTitle), std::begin(m_szTitle));
}

CLiveStatistics CLiveView::Statistics() const
{
    std::lock_guard lock(m_StateMutex);
    return m_Statistics;
}

std::uint64_t CLiveView::WaitForFrame(std::uint64_t nFramesSeen, DWORD dwMilliseconds) const
{
    std::unique_lock lock(m_StateMutex);
    m_StateChanged.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), [this, nFramesSeen] {
        return m_Statistics.nFrames != nFramesSeen || m_nCaptureState.load() != ECaptureState::Running;
    });
    return m_Statistics.nFrames;
}

// ---------------------------------------------------------------------------
// Display thread

void CLiveView::CaptureThreadProc()
{
    CaptureLoop();
    m_hThreadDone->Set();
}

BOOL CLiveView::CaptureLoop()
{
    // Wait for the window's message loop to run: the first tick.
    {
        std::unique_lock lock(m_StateMutex);
        m_StateChanged.wait(lock, [this] {
            return m_dwLastTick.load() != 0 || m_nCaptureState.load() == ECaptureState::Leave;
        });
    }

    m_dwLastGoodFrame = timeGetTime();
    for (ECaptureState state = CaptureState(); state != ECaptureState::Leave; state = CaptureState()) {
        const DWORD dwNow = timeGetTime();
        // Frames are processed only while the UI thread keeps ticking; while they are
        // not wanted, none can be missing.
        if (dwNow - m_dwLastTick.load() > kHeartbeatMs) {
            m_dwLastGoodFrame = dwNow;
            WaitForCaptureState(state, kHeartbeatWaitMs);
            continue;
        }
        if (state != ECaptureState::Running) {
            m_dwLastGoodFrame = dwNow;
            WaitForCaptureState(state, kIdleWaitMs);
            continue;
        }
        if (!m_Camera.IsCapturing()) {
            NoteMissingFrame(dwNow);
            WaitForCaptureState(state, kIdleWaitMs);
            continue;
        }
        // Sleeps until the camera completes a frame (or a short while passes).
        if (!m_Camera.WaitFrameReady(kIdleWaitMs)) {
            NoteMissingFrame(timeGetTime());
            continue;
        }
        if (CaptureState() == ECaptureState::Running)
            ProcessNewFrame();
    }
    return TRUE;
}

void CLiveView::ProcessNewFrame()
{
    const DWORD t0 = timeGetTime();
    const int nResult = m_Camera.GetFrame(m_RawImage.Bits(), FALSE, FALSE, TRUE, m_RawImage.Stride(),
                                          static_cast<std::size_t>(m_RawImage.Stride()) * m_RawImage.Height());
    if (nResult != CAM_OK) {
        if (nResult != m_nLastGetFrameError)
            LogLine(ELogCategory::Camera, "a frame could not be taken: GetFrame answered %d", nResult);
        m_nLastGetFrameError = nResult;
        NoteMissingFrame(t0);
        return;
    }
    if (m_nLastGetFrameError != CAM_OK || m_bMissingLogged)
        LogLine(ELogCategory::Camera, "frames arrive again after %u ms", static_cast<unsigned>(t0 - m_dwLastGoodFrame));
    m_nLastGetFrameError = CAM_OK;
    m_bMissingLogged = false;
    m_dwLastGoodFrame = t0;
    const double dTakenMs = SteadyMilliseconds();
    if (m_Hooks.onRawFrame)
        m_Hooks.onRawFrame(m_RawImage);

    CLiveSettings live = m_Settings.Read(MakeLiveSettings);
    CExposureCameraOf<CCameraDevice> camera(m_Camera);
    CColorGains gains;
    if (m_FrameChain.Process(m_RawImage, m_ColorImage, live, &camera, timeGetTime(), &gains)) {
        m_Settings.Update([&gains](CViewerSettings& s) {
            s.m_BayerR = gains.m_BayerR;
            s.m_BayerG = gains.m_BayerG;
            s.m_BayerB = gains.m_BayerB;
            s.m_WB_Flg = 0;
        });
    }
    const double dProcessMs = SteadyMilliseconds() - dTakenMs;

    const DWORD t1 = timeGetTime();
    ShowFrame(CLiveFrameChain::Shown(m_RawImage, m_ColorImage, live));
    const DWORD t2 = timeGetTime();
    const DWORD t3 = timeGetTime();

    m_FrameRate.CountFrame(timeGetTime());
    m_nCaptureMs = static_cast<int>(t3 - t0);
    m_nGetImageMs = static_cast<int>(t1 - t0);
    m_nShowImageMs = static_cast<int>(t2 - t1);
    char szTitle[TITLE_LINE_SIZE];
    FormatTitleLine(szTitle, m_nCaptureMs, m_nGetImageMs, m_nShowImageMs, m_FrameRate.Fps());
    SetTitleText(szTitle);

    bool bLimitReached = false;
    {
        std::lock_guard lock(m_StateMutex);
        if (m_Statistics.nFrames == 0)
            m_Statistics.dFirstTakenMs = dTakenMs;
        m_Statistics.dLastTakenMs = dTakenMs;
        m_Statistics.dProcessMs += dProcessMs;
        ++m_Statistics.nFrames;
        bLimitReached = m_nFrameLimit != 0 && m_Statistics.nFrames >= m_nFrameLimit;
    }
    if (bLimitReached)
        SetCaptureState(ECaptureState::Idle);
    else
        m_StateChanged.notify_all();
}

void CLiveView::ShowFrame(const CDibImage& shown)
{
    const CViewGeometry view = View();
    if (!RenderView(shown, view.rcView, view.nZoom, view.offsets, m_Handover.Back()))
        return;
    m_Handover.Publish();
    if (m_Hooks.onViewReady)
        m_Hooks.onViewReady(view.rcView);
}

void CLiveView::NoteMissingFrame(DWORD dwNow)
{
    // Only a camera that has delivered can fall silent; nothing is said twice.
    if (m_bMissingLogged || !m_FrameRate.HasStarted() || dwNow - m_dwLastGoodFrame <= kMissingFrameMs)
        return;
    m_bMissingLogged = true;
    m_FrameRate.Stop(dwNow);
    char szTitle[TITLE_LINE_SIZE];
    FormatTitleLine(szTitle, m_nCaptureMs, m_nGetImageMs, m_nShowImageMs, m_FrameRate.Fps());
    SetTitleText(szTitle);

    const char* szReason = "the camera sends none (stalled)";
    if (!m_Camera.IsCapturing())
        szReason = "the camera's capture has ended";
    else if (m_Camera.CaptureError() != CAM_OK)
        szReason = "frame transfers fail (camera unplugged or failing)";
    else if (m_nLastGetFrameError != CAM_OK)
        szReason = "frames cannot be taken";
    LogLine(ELogCategory::Camera, "no frame for %u ms while live: %s; the frame rate shows 0.0",
            static_cast<unsigned>(dwNow - m_dwLastGoodFrame), szReason);
}
