// CLiveView: the live view without its window. It starts the camera for live view,
// runs the display thread that takes each new frame, processes it and renders the
// view picture for the window, keeps the capture state, the UI thread's heartbeat,
// the frame rate and the title line, and holds the frame pictures that the view,
// measurement and saving work on once the view is frozen.
#pragma once

#include "app/camera/camera_device.h"
#include "app/imaging/dib_image.h"
#include "app/shell/core/frame_handover.h"
#include "app/shell/core/live_frame_chain.h"
#include "app/shell/core/live_timing.h"
#include "app/shell/core/shared_settings.h"
#include "app/shell/core/view_layout.h"
#include "platform/manual_reset_event.h"
#include "platform/win_types.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Values of m_nCaptureState, which tells the display thread what to do.
enum class ECaptureState {
    Leave = 0,   // leave the loop: the thread ends
    Running = 1, // process every new frame
    Idle = 2,    // the camera is stopped: keep running, process nothing
};

// Figures of the frames processed since the display thread was started.
struct CLiveStatistics {
    std::uint64_t nFrames = 0;
    double dProcessMs = 0.0;    // time spent processing them, in all
    double dFirstTakenMs = 0.0; // steady-clock milliseconds when the first was taken
    double dLastTakenMs = 0.0;  // ... and the last
};

// Life of the live view, all driven from the UI thread:
//
//   constructed --ActivateCamera, StartDisplayThread--> live --Freeze--> frozen
//   frozen --Resume--> live;  live or frozen --Close--> closed
//
// Live: the camera captures, the display thread runs in state Running and processes a
// frame only while the UI thread has ticked (Tick) within the last 500 ms. Frozen: no
// display thread, camera stopped, the last processed frame kept in the frame pictures.
class CLiveView {
public:
    // What the live view tells its owner; each may be empty.
    struct CHooks {
        // Display thread: a new view picture is in the hand-over; repaint this rectangle.
        std::function<void(const RECT& rcView)> onViewReady;
        // UI thread: the slow camera step (the clock change) begins (true) and ends (false).
        std::function<void(bool bBusy)> onSlowStep;
        // Display thread: the raw frame just taken from the camera, before processing.
        std::function<void(const CDibImage& raw)> onRawFrame;
    };

    // The camera and the settings must outlive the live view.
    CLiveView(CCameraDevice& camera, CSharedSettings& settings, CHooks hooks = {});
    // Ends the display thread; the camera's capture is left to its owner.
    ~CLiveView();
    CLiveView(const CLiveView&) = delete;
    CLiveView& operator=(const CLiveView&) = delete;

    // ---- UI thread: starting, freezing, resuming, closing ----

    // Re-creates the frame pictures at the configured size ("EH" x "EV") and, when
    // camera 0 is present, sets it up from the settings and starts its capture (state
    // Running); a capture window the camera refuses gives full-size pictures. A display
    // thread still running is ended first. TRUE.
    BOOL ActivateCamera();
    // State Idle and the camera's capture stopped; answers what StopCapture answered.
    int StopCamera();
    // Starts a display thread in state Running. With nFrameLimit > 0 it goes Idle by
    // itself once it has processed that many frames.
    void StartDisplayThread(std::uint64_t nFrameLimit = 0);
    // Freezes: the display thread ends, the camera stops, the last frame stays. Also
    // from a frozen or closed view, where it just makes sure of that.
    void Freeze();
    // Resumes a frozen view: the camera restarts and a new display thread runs.
    void Resume();
    // For closing: stops the camera, then ends the display thread; answers what
    // StopCapture answered.
    int Close();
    bool IsFrozen() const { return m_bFrozen != 0; }
    // Opening a picture file into a frozen view: the picture the view shows (the colour
    // or the raw one, by the settings) is replaced by the file's picture at its own size
    // in 24 bits. false, with that picture empty, when the file cannot be loaded, and
    // without touching it while a display thread runs.
    bool LoadShownPicture(const char* szPath);

    // ---- UI thread: heartbeat, view and what to show ----

    // A TIMER_UI tick at dwNow (timeGetTime): frames are processed for 500 ms after it.
    void Tick(DWORD dwNow);
    // The view the display thread renders frames for (set by the window's layout).
    void SetView(const CViewGeometry& view);
    CViewGeometry View() const;
    // The picture for the view rectangle: while the display thread runs, the newest one
    // it handed over; otherwise the shown picture rendered now. Null when there is none.
    const CDibImage* TakeViewPicture();

    // ---- Any thread ----

    ECaptureState CaptureState() const { return m_nCaptureState.load(); }
    std::string TitleText() const;
    // View pictures handed over since construction.
    std::uint64_t ShownFrameCount() const { return m_Handover.PublishedCount(); }
    CLiveStatistics Statistics() const;
    // Waits up to dwMilliseconds until the processed-frame count differs from
    // nFramesSeen or the state is no longer Running; answers the count.
    std::uint64_t WaitForFrame(std::uint64_t nFramesSeen, DWORD dwMilliseconds) const;

    // ---- UI thread, or any thread once the display thread has ended ----

    bool IsDisplayThreadRunning() const { return m_hThreadDone != nullptr && !m_hThreadDone->IsSet(); }
    // The frame pictures: the raw mosaic (8-bit) and the colour result (24-bit).
    const CDibImage& RawImage() const { return m_RawImage; }
    const CDibImage& ColorImage() const { return m_ColorImage; }
    // The picture the view shows: the colour result while any colour display is on.
    const CDibImage& ShownImage() const;
    // The automatic exposure, whose dialog hook the image setting dialog sets.
    CExposureControl& ExposureControl() { return m_FrameChain.ExposureControl(); }

private:
    // The one place where m_nCaptureState changes; wakes a waiting display thread.
    void SetCaptureState(ECaptureState state);
    // Sleeps up to dwMilliseconds or until the state differs from seen.
    void WaitForCaptureState(ECaptureState seen, DWORD dwMilliseconds);
    void CreateFramePictures(int nWidth, int nHeight);
    void JoinDisplayThread();

    // Display thread.
    void CaptureThreadProc();
    BOOL CaptureLoop();
    void ProcessNewFrame();
    // Renders the shown picture into the hand-over at the current view.
    void ShowFrame(const CDibImage& shown);
    // No good frame came while running: after a second the rate shows 0.0.
    void NoteMissingFrame(DWORD dwNow);
    void SetTitleText(const char (&szTitle)[TITLE_LINE_SIZE]);

    CCameraDevice& m_Camera;
    CSharedSettings& m_Settings;
    const CHooks m_Hooks;

    // Frame pictures: written by the display thread while it runs, else by the UI thread.
    CDibImage m_RawImage;
    CDibImage m_ColorImage;

    std::atomic<ECaptureState> m_nCaptureState{ECaptureState::Leave};
    // timeGetTime() of the last tick, 0 before the first: UI thread writes, display thread reads.
    std::atomic<DWORD> m_dwLastTick{0};
    // Pairs with m_StateChanged (a state change or a processed frame) and guards m_Statistics.
    mutable std::mutex m_StateMutex;
    mutable std::condition_variable m_StateChanged;
    CLiveStatistics m_Statistics;

    mutable std::mutex m_TitleMutex; // guards m_szTitle: display thread writes, UI thread reads
    char m_szTitle[TITLE_LINE_SIZE];

    mutable std::mutex m_ViewMutex; // guards m_View: UI thread writes, display thread reads per frame
    CViewGeometry m_View;
    CFrameHandover m_Handover;

    // UI thread only.
    int m_bFrozen = 0;
    CDibImage m_UiView; // the view as the UI thread renders it while no display thread runs
    std::unique_ptr<CManualResetEvent> m_hThreadDone; // set by the display thread as its last act
    std::thread m_DisplayThread;

    // Display thread only (set before it starts): the processing chain, the frame rate
    // and title figures, and what was last logged about missing frames.
    std::uint64_t m_nFrameLimit = 0;
    CLiveFrameChain m_FrameChain;
    CFrameRate m_FrameRate;
    int m_nCaptureMs = 0;
    int m_nGetImageMs = 0;
    int m_nShowImageMs = 0;
    DWORD m_dwLastGoodFrame = 0;
    bool m_bMissingLogged = false;
    int m_nLastGetFrameError = CAM_OK;
};
