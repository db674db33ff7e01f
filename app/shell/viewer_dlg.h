// The main window: the controls of template 102, painting and event wiring over the
// live view engine, and the settings and calibration table it owns.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/camera/camera_device.h"
#include "app/calib/results_table.h"
#include "app/dialogs/calib_dlg.h"
#include "app/dialogs/scale_dlg.h"
#include "app/files/picture_save.h"
#include "app/files/thumb_maker.h"
#include "app/files/thumb_strip.h"
#include "app/measure/measure_mouse.h"
#include "app/shell/core/live_view.h"
#include "app/shell/core/settings_file.h"
#include "app/shell/core/shared_settings.h"
#include "app/shell/core/view_layout.h"
#include "app/shell/core/view_mouse.h"
#include "app/shell/ui_artwork.h"
#include "app/shell/viewer_controls.h"

#include <QDialog>

#include <cstdint>
#include <string>

constexpr int TIMER_UI = 1224;
constexpr int TIMER_UI_PERIOD_MS = 100;

class CImageSetDlg;

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
    QWidget* GetDlgItem(int nId) const { return m_Controls.Item(nId); }

    // The live view (capture state, frame pictures, title, view), the calibration
    // table and a copy of the settings as they are now.
    const CLiveView& LiveView() const { return m_LiveView; }
    const CCalibList& CalibList() const { return m_CalibList; }
    const CMeasureList& MeasureList() const { return m_Measure.m_MeasureList; }
    const CThumbList& Thumbs() const { return m_Thumbs; }
    CViewerSettings Settings() const { return m_Settings.Snapshot(); }

    // Closes the window as its close box would, without asking first: the session ends.
    void EndSession();

    // LIVE: freezes the live view (camera stopped, last frame kept) or resumes it.
    void OnLive();
    // WB: requests a white-balance measurement on the next colour frame, or withdraws it.
    void OnWhiteBalance();
    // CALIB: opens the calibration dialog on the selected entry, unless it is open.
    void OnCalib();
    // A measuring tool's button: LINE .. ANGLE (1..6).
    void OnTool(MeasureTool nTool);
    // DELETE: the selected rows of the results list go, with their measurements.
    void OnDeleteResults();
    // CLEAR: every measurement goes, and the tool being used ends.
    void OnClearResults();
    // COLOR: the colour setting dialog, whose choices the overlay takes at once.
    void OnColor();
    // CSV: appends the results list to a file the user chooses.
    void OnExportCsv();
    // THUMB: the thumbnail dialog; the picture chosen in it is opened.
    void OnThumbnails();
    // DIR: another picture folder, chosen among those that can take pictures.
    void ChangePictureFolder();
    // SAVE: the picture shown into a BMP or JPEG file chosen in the save dialog, with the
    // measurements burnt in while TYPE is on; the live view stops meanwhile.
    void SavePicture();
    // TYPE: saved pictures with or without the measurements.
    void OnSaveOverlayToggle();
    bool IsSaveOverlayOn() const { return m_bSaveOverlay != 0; }
    // SET: the image setting dialog while live, the camera setting dialog while frozen.
    void OnSet();
    // Picture nIndex of the folder: opened into the frozen view, deleted, or moved to the
    // trash (its thumbnail goes in each case).
    void OpenPicture(int nIndex);
    void RemovePicture(int nIndex);
    void TrashPicture(int nIndex);
    // Scale: opens the scale bar's dialog, unless it is open.
    void OnScale();
    // The scale bar changed (dialog or drag): stored, shown to the open dialog, drawn.
    void SetScaleData(const CScaleData& scale);
    void UpdateToolButtons();

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
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    // Start-up, shutdown and the timer (viewer_dlg.cpp).
    void CreateControls();
    void LoadSettings();
    void SaveSettings();
    bool OnClose();
    // Set by EndSession: the close needs no confirmation.
    bool m_bEndingSession = false;
    void OnDestroy();
    void OnTimer();
    BOOL ActivateCamera() { return m_LiveView.ActivateCamera(); }

    // Calibration and results: the selected entry, its choice, the dialog's end, every
    // result again in the entry's unit, the results list shown (viewer_dlg.cpp).
    CCalibEntry& SelectedCalib();
    void OnCalibSelChange();
    void OnDialogDone(int nResult);
    void RecalcMeasurements();
    void ShowResults();

    // The settings dialogs: the camera's capture window and clock, taking effect at the
    // next LIVE (viewer_dlg_camera_set.cpp); the processing settings, gain and exposure
    // while live (viewer_dlg_image_set.cpp).
    void OpenCameraSetDlg();
    void OpenImageSetDlg();

    // The picture folder's thumbnails (viewer_dlg_thumbs.cpp).
    void RebuildPictureFolder();
    void LeavePictureFolder(bool bComplete);
    // The picture folder becomes szFolder: the old one's cache is written first.
    void SwitchPictureFolder(const std::string& szFolder);
    // The save dialog's answer, or false when cancelled (viewer_dlg_save.cpp).
    bool AskSaveTarget(CSaveTarget& target);
    // The picture shown written as target says; its thumbnail joins the strip.
    void WritePicture(const CSaveTarget& target);
    void TakeFinishedThumbnails();
    // The thumbnail list changed: the strip's scroll range and picture follow.
    void OnThumbsChanged();
    void PaintStrip(QPainter& painter);
    // A mouse event on the strip; false when it is not the strip's.
    bool OnStripMouse(QMouseEvent* pEvent);
    void ShowThumbMenu(int nIndex, const QPoint& globalPoint);
    void DropPicture(int nIndex);
    QString BrowseFolder();

    // Layout of the view, the panel and the strip (viewer_dlg_layout.cpp).
    void OnSize();
    void RecalcLayout();
    void OnZoomChanged();
    void OnPanelToggle();
    void OnStripToggle();
    void OnStripScrollAction(int nAction);
    void UpdateThumbScrollRange();
    void PaintView(QPainter& painter);
    // The overlay's pass over the view as it shows the picture, with the pointer.
    COverlayView ViewOverlay() const;
    // The measurements, and the item being entered up to the pointer.
    void PaintOverlay(QPainter& painter);
    // The selected entry's reference rectangle and handles while the dialog is open.
    void PaintCalibRect(QPainter& painter);

    // Mouse in the picture view (viewer_dlg_mouse.cpp): each handler hands the event to
    // the view's mouse rules and applies the answer.
    void OnLButtonDown(const QPoint& point);
    void OnLButtonUp(const QPoint& point);
    void OnLButtonDblClk(const QPoint& point);
    void OnRButtonDown(const QPoint& point);
    void OnRButtonUp(const QPoint& point);
    void OnMouseMove(const QPoint& point);
    using MouseRule = CViewMouseAnswer (CViewMouse::*)(const POINT&, const CViewMouseEnv&);
    void HandleMouse(MouseRule rule, const QPoint& point);

    CCameraDevice m_Camera;
    CCalibList m_CalibList;
    CSharedSettings m_Settings;
    CSettingsFile m_SettingsFile;
    CLiveView m_LiveView; // after the camera and the settings, which it uses until its end
    CUiArtwork m_Art;
    CViewerControls m_Controls;
    CMeasureState m_Measure;
    CResultsTable m_Results;
    CMeasureMouse m_MeasureMouse;
    CViewMouse m_ViewMouse;
    CCalibDlg m_CalibDlg;
    CScaleDlg m_ScaleDlg;
    CThumbList m_Thumbs;
    CThumbMaker m_ThumbMaker; // after the list it fills: stops first
    CStripDrag m_StripDrag;

    int m_bPanelVisible = 1;
    int m_bThumbVisible = 1;
    int m_bRepaintAll = 0;
    int m_bSaveOverlay = 0;
    CImageSetDlg* m_pImageSetDlg = nullptr; // the image setting dialog while it is open
    int m_nUiTimerId = 0;
    std::uint64_t m_nShownResults = ~std::uint64_t{0}; // the results' revision the list shows
    bool m_bPlacementRestored = false;
    bool m_bDestroyed = false;
};
