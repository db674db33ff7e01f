// The main window: owns the frame pictures, the user-interface pictures, the
// settings, the calibration table and the controls of template 102, runs the
// display thread and shuts everything down in order.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/camera/camera_device.h"
#include "app/imaging/dib_image.h"
#include "app/shell/frame_handover.h"
#include "app/shell/live_frame_chain.h"
#include "app/shell/settings_file.h"
#include "app/shell/view_layout.h"
#include "app/shell/viewer_settings.h"
#include "platform/manual_reset_event.h"
#include "platform/win_types.h"

#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QImage>

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class QComboBox;
class QPainter;
class QScrollBar;
class QTableWidget;

constexpr int TIMER_UI = 1224;
constexpr int TIMER_UI_PERIOD_MS = 100;

// Values of m_nCaptureState.
constexpr int CAPTURE_LEAVE = 0;   // the display thread leaves its loop
constexpr int CAPTURE_RUNNING = 1; // frames are processed
constexpr int CAPTURE_IDLE = 2;    // camera stopped; the thread runs but processes nothing

class CViewerDlg : public QDialog {
    Q_OBJECT

public:
    // devices: where the camera is looked for; szSettingsFolder holds Vexilo.ini and,
    // by default, the picture folder "bmp".
    CViewerDlg(CDeviceNamespace& devices, const std::string& szSettingsFolder, QWidget* pParent = nullptr);
    ~CViewerDlg() override;

    // Initialises the window, runs it modally and tears it down when it ends.
    int DoModal();

    // Loads the settings, starts the camera and the display thread; TRUE.
    BOOL OnInitDialog();

    // The control with the given id, or nullptr.
    QWidget* GetDlgItem(int nId) const;

    int CaptureState() const { return m_nCaptureState.load(); }
    bool IsDisplayThreadRunning() const { return m_hThreadDone != nullptr && !m_hThreadDone->IsSet(); }
    std::string TitleText() const;

    const CDibImage& RawImage() const { return m_RawImage; }
    const CDibImage& ColorImage() const { return m_ColorImage; }
    const CCalibList& CalibList() const { return m_CalibList; }
    // A copy of the settings as they are now.
    CViewerSettings Settings() const
    {
        std::lock_guard lock(m_SettingsMutex);
        return m_Settings;
    }
    bool IsFrozen() const { return m_bFrozen != 0; }
    ScrollOffsets ViewOffsets() const { return ViewSnapshot().offsets; }
    // Frames the display thread has shown since start.
    std::uint64_t ShownFrameCount() const { return m_Handover.PublishedCount(); }

    // LIVE: freezes the live view (camera stopped, last frame kept) or resumes it.
    void OnLive();
    // WB: requests a white-balance measurement on the next colour frame, or withdraws it.
    void OnWhiteBalance();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void reject() override;
    void done(int nResult) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void PaintView(QPainter& painter);
    void showEvent(QShowEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

    // Writes Vexilo.ini (virtual so tests can see when the shutdown reaches it).
    virtual void SaveSettings();

private:
    // Reads Vexilo.ini and decodes the user-interface pictures.
    void LoadSettings();
    void CreateControls();
    void CreatePanelButton(int nId, const RECT& rc);
    void CreateToggleButton(int nId, const RECT& rc);
    void SetUpResultsList();
    void SetUpCalibCombo();
    void SetUpTooltips();
    void UpdateThumbScrollRange();

    // Layout of the view, the panel and the strip (viewer_dlg_layout.cpp).
    void OnSize();
    void RecalcLayout();
    void OnZoomChanged();
    void OnPanelToggle();
    void OnStripToggle();
    void OnStripScrollAction(int nAction);
    RECT ClientRect() const;

    // Mouse in the picture view (viewer_dlg_mouse.cpp).
    void OnLButtonDown(const QPoint& point);
    void OnLButtonUp(const QPoint& point);
    void OnMouseMove(const QPoint& point);
    bool IsInView(const QPoint& point) const;
    // The picture the view shows: the colour result while any colour display is on.
    const CDibImage& ShownImage() const;
    void DecodeUiPictures();

    bool OnClose();
    void OnDestroy();
    void OnTimer();

    // Live capture (viewer_dlg_capture.cpp).
    BOOL ActivateCamera();
    void StopCamera();
    void CreateFramePictures(int nWidth, int nHeight);
    void StartDisplayThread();
    void JoinDisplayThread();
    void CaptureThreadProc();
    BOOL CaptureLoop();
    // One frame of the loop: take, process, show, time.
    void ProcessNewFrame();
    void ShowFrame(const CDibImage& shown);
    // What one frame of the live view needs of the settings, taken under the lock.
    LiveSettings LiveSettingsSnapshot() const;
    void SetCaptureState(int nState);
    // Sleeps up to dwMilliseconds or until m_nCaptureState differs from nSeen.
    void WaitForCaptureState(int nSeen, DWORD dwMilliseconds);
    void SetTitleText(const char* szTitle);

    // Frame pictures: the raw mosaic and the colour result of processing.
    CDibImage m_RawImage;
    CDibImage m_ColorImage;
    CCameraDevice m_Camera;
    // User-interface pictures (PNG resources 157, 158, 159) and their Qt copies.
    CDibImage m_PanelImage;
    CDibImage m_BackImage;
    CDibImage m_IconImage;
    QImage m_PanelSheet;
    QImage m_BackTile;
    QImage m_ToggleSheet;

    CCalibList m_CalibList;
    // The settings. The display thread reads the processing settings and writes the
    // white-balance gains and request while the UI thread may change them:
    // m_SettingsMutex guards those accesses (the UI thread's own reads need no lock).
    mutable std::mutex m_SettingsMutex;
    CViewerSettings m_Settings;
    CSettingsFile m_SettingsFile;
    bool m_bPlacementRestored = false;

    // Capture state, written by the UI thread, read by the display thread;
    // changed through SetCaptureState so a sleeping display thread wakes.
    std::atomic<int> m_nCaptureState{CAPTURE_LEAVE};
    std::mutex m_StateMutex; // pairs with m_StateChanged
    std::condition_variable m_StateChanged;

    int m_bFrozen = 0;
    // timeGetTime() of the last TIMER_UI tick, 0 before the first; written by the
    // UI thread, read by the display thread as its heartbeat.
    std::atomic<DWORD> m_dwLastTick{0};
    mutable std::mutex m_TitleMutex; // guards m_szTitle (display thread writes, UI thread reads)
    char m_szTitle[256];

    // What the display thread needs to draw the view: written by the UI thread in
    // RecalcLayout and while panning, read by the display thread once per frame.
    struct ViewGeometry {
        RECT rcView{};
        int nZoom = 1;
        ScrollOffsets offsets;
    };
    ViewGeometry ViewSnapshot() const;
    mutable std::mutex m_ViewMutex; // guards m_View
    ViewGeometry m_View;
    CFrameHandover m_Handover;

    // Display thread only: the processing chain and the frame-rate window, kept across
    // restarts of the thread.
    CLiveFrameChain m_FrameChain;
    DWORD m_dwFpsWindowStart = 0;
    int m_nFpsFrames = 0;
    double m_dFps = 0.0;
    bool m_bFpsStarted = false;
    CDibImage m_UiView; // the view as the UI thread renders it while no frames come
    int m_bPanelVisible = 1;
    int m_bThumbVisible = 1;
    int m_bRepaintAll = 0;
    int m_bSaveOverlay = 0;
    int m_nActiveTool = 0;
    int m_nThumbCount = 0;

    QIcon m_hIcon;
    QCursor m_PanCursor; // cursor 138, the pointing hand shown while panning
    // Panning a magnified view with the left button (UI thread).
    int m_bPanning = 0;
    PanAnchor m_PanAnchor;
    std::map<int, QWidget*> m_Controls; // owned by Qt as children of the window
    QScrollBar* m_sbStrip = nullptr;
    QComboBox* m_cbCalib = nullptr;
    QTableWidget* m_lcResults = nullptr;
    QComboBox* m_cbZoom = nullptr;

    int m_nUiTimerId = 0;
    bool m_bDestroyed = false;
    // Signalled by the display thread as its last act; null while no thread runs.
    std::unique_ptr<CManualResetEvent> m_hThreadDone;
    std::thread m_DisplayThread;
};
