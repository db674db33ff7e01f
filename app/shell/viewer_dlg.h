// The main window: the controls of template 102, painting and event wiring over the
// live view engine, the settings and the calibration table it owns.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/camera/camera_device.h"
#include "app/shell/core/live_view.h"
#include "app/shell/core/settings_file.h"
#include "app/shell/core/shared_settings.h"
#include "platform/win_types.h"

#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QImage>

#include <cstdint>
#include <map>
#include <string>

class QComboBox;
class QPainter;
class QScrollBar;
class QTableWidget;

constexpr int TIMER_UI = 1224;
constexpr int TIMER_UI_PERIOD_MS = 100;

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

    ECaptureState CaptureState() const { return m_LiveView.CaptureState(); }
    bool IsDisplayThreadRunning() const { return m_LiveView.IsDisplayThreadRunning(); }
    bool IsFrozen() const { return m_LiveView.IsFrozen(); }
    std::string TitleText() const { return m_LiveView.TitleText(); }
    const CDibImage& RawImage() const { return m_LiveView.RawImage(); }
    const CDibImage& ColorImage() const { return m_LiveView.ColorImage(); }
    std::uint64_t ShownFrameCount() const { return m_LiveView.ShownFrameCount(); }
    ScrollOffsets ViewOffsets() const { return m_LiveView.View().offsets; }
    const CCalibList& CalibList() const { return m_CalibList; }
    // A copy of the settings as they are now.
    CViewerSettings Settings() const { return m_Settings.Snapshot(); }

    // LIVE: freezes the live view (camera stopped, last frame kept) or resumes it.
    void OnLive();
    // WB: requests a white-balance measurement on the next colour frame, or withdraws it.
    void OnWhiteBalance();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void reject() override;
    void done(int nResult) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    // Start-up and shutdown (viewer_dlg.cpp).
    void LoadSettings();
    void SaveSettings();
    void CreateControls();
    void CreatePanelButton(int nId, const RECT& rc);
    void CreateToggleButton(int nId, const RECT& rc);
    void SetUpResultsList();
    void SetUpCalibCombo();
    void SetUpTooltips();
    void DecodeUiPictures();
    bool OnClose();
    void OnDestroy();
    void OnTimer();
    // The live view: thin members over the engine.
    BOOL ActivateCamera() { return m_LiveView.ActivateCamera(); }
    void StopCamera() { m_LiveView.StopCamera(); }

    // Layout of the view, the panel and the strip (viewer_dlg_layout.cpp).
    void OnSize();
    void RecalcLayout();
    void OnZoomChanged();
    void OnPanelToggle();
    void OnStripToggle();
    void OnStripScrollAction(int nAction);
    void UpdateThumbScrollRange();
    RECT ClientRect() const;
    void PaintView(QPainter& painter);

    // Mouse in the picture view (viewer_dlg_mouse.cpp).
    void OnLButtonDown(const QPoint& point);
    void OnLButtonUp(const QPoint& point);
    void OnMouseMove(const QPoint& point);
    bool IsInView(const QPoint& point) const;

    CCameraDevice m_Camera;
    CCalibList m_CalibList;
    CSharedSettings m_Settings;
    CSettingsFile m_SettingsFile;
    // Declared after the camera and the settings, which it uses until its end.
    CLiveView m_LiveView;

    // User-interface pictures (PNG resources 157, 158, 159) and their Qt copies.
    CDibImage m_PanelImage;
    CDibImage m_BackImage;
    CDibImage m_IconImage;
    QImage m_PanelSheet;
    QImage m_BackTile;
    QImage m_ToggleSheet;
    QIcon m_hIcon;
    QCursor m_PanCursor; // cursor 138, the pointing hand shown while panning

    int m_bPanelVisible = 1;
    int m_bThumbVisible = 1;
    int m_bRepaintAll = 0;
    int m_bSaveOverlay = 0;
    int m_nActiveTool = 0;
    int m_nThumbCount = 0;
    // Panning a magnified view with the left button.
    bool m_bPanning = false;
    PanAnchor m_PanAnchor;

    std::map<int, QWidget*> m_Controls; // owned by Qt as children of the window
    QScrollBar* m_sbStrip = nullptr;
    QComboBox* m_cbCalib = nullptr;
    QTableWidget* m_lcResults = nullptr;
    QComboBox* m_cbZoom = nullptr;

    int m_nUiTimerId = 0;
    bool m_bPlacementRestored = false;
    bool m_bDestroyed = false;
};
