#include "app/shell/viewer_dlg.h"

#include "app/calib/csv_export.h"
#include "app/dialogs/color_set_dlg.h"
#include "app/measure/measure_recalc.h"
#include "app/res/ui_texts.h"
#include "app/res/version.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/core/panel_faces.h"
#include "app/shell/qt_geometry.h"
#include "platform/clock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimerEvent>

#include <ctime>
#include <utility>
#include <vector>

CViewerDlg::CViewerDlg(CDeviceNamespace& devices, const std::string& szSettingsFolder, QWidget* pParent)
    : QDialog(pParent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint), m_Camera(devices),
      m_CalibList(MakeDefaultCalibList()), m_SettingsFile(szSettingsFolder),
      m_LiveView(m_Camera, m_Settings,
                 CLiveView::CHooks{
                     // Display thread: the view repaints on the UI thread.
                     [this](const RECT& rcView) {
                         QMetaObject::invokeMethod(this, [this, rcView] { update(ToQRect(rcView)); },
                                                   Qt::QueuedConnection);
                     },
                     [](bool bBusy) {
                         if (bBusy)
                             QApplication::setOverrideCursor(Qt::WaitCursor);
                         else
                             QApplication::restoreOverrideCursor();
                     },
                     {}}),
      m_Results([this] { return SelectedCalib().m_nUnit; }, g_bJapanese != 0), m_MeasureMouse(m_Measure, m_Results),
      m_ViewMouse(m_MeasureMouse), m_CalibDlg(this), m_ScaleDlg(this)
{
    // Hovering shows what a right press would take, and an item being entered follows the pointer.
    setMouseTracking(true);
    resize(MAIN_TEMPLATE_CLIENT.cx, MAIN_TEMPLATE_CLIENT.cy);
    CreateControls();
}

CViewerDlg::~CViewerDlg()
{
    // The display thread posts repaints to the window: it must end before the window does.
    m_LiveView.Close();
}

// ---------------------------------------------------------------------------
// Controls of template 102

void CViewerDlg::CreateControls()
{
    auto faceOf = [this](int nId, bool bEnabled, POINT& cell) {
        if (nId == IDC_PANEL_TOGGLE || nId == IDC_STRIP_TOGGLE)
            return ToggleFaceCell(nId, m_bPanelVisible != 0, m_bThumbVisible != 0, cell);
        CPanelFaceState state;
        state.bFrozen = m_LiveView.IsFrozen();
        state.bSaveOverlay = m_bSaveOverlay != 0;
        state.bEnabled = bEnabled;
        return PanelFaceCell(nId, state, cell);
    };
    auto isActiveTool = [this](int nId) {
        return ToolOfButton(nId) != 0 && ToolOfButton(nId) == m_Measure.m_CurMeasure.Type;
    };
    m_Controls.Create(this, m_Art.m_PanelSheet, m_Art.m_ToggleSheet, faceOf, isActiveTool);

    connect(m_Controls.m_cbZoom, &QComboBox::currentIndexChanged, this, [this] { OnZoomChanged(); });
    connect(m_Controls.m_sbStrip, &QScrollBar::actionTriggered, this,
            [this](int nAction) { OnStripScrollAction(nAction); });
    connect(m_Controls.m_sbStrip, &QScrollBar::valueChanged, this,
            [this] { update(GetDlgItem(IDC_STRIP_GROUP)->geometry()); });
    connect(m_Controls.m_cbCalib, &QComboBox::currentIndexChanged, this, [this] { OnCalibSelChange(); });
    // The dialog's end arrives like a posted message, after the dialog has closed.
    connect(&m_CalibDlg, &CCalibDlg::DialogDone, this, &CViewerDlg::OnDialogDone, Qt::QueuedConnection);
    const std::pair<int, void (CViewerDlg::*)()> clicks[] = {
        {IDC_PANEL_TOGGLE, &CViewerDlg::OnPanelToggle}, {IDC_STRIP_TOGGLE, &CViewerDlg::OnStripToggle},
        {IDC_LIVE, &CViewerDlg::OnLive},                {IDC_WB, &CViewerDlg::OnWhiteBalance},
        {IDC_CALIB, &CViewerDlg::OnCalib},             {IDC_DELETE, &CViewerDlg::OnDeleteResults},
        {IDC_CLEAR, &CViewerDlg::OnClearResults},      {IDC_COLOR, &CViewerDlg::OnColor},
        {IDC_CSV, &CViewerDlg::OnExportCsv},           {IDC_SCALE, &CViewerDlg::OnScale},
        {IDC_THUMB, &CViewerDlg::OnThumbnails},        {IDC_DIR, &CViewerDlg::ChangePictureFolder},
        {IDC_SAVE, &CViewerDlg::SavePicture},          {IDC_TYPE, &CViewerDlg::OnSaveOverlayToggle},
        {IDC_SET, &CViewerDlg::OnSet}};
    for (const auto& [nId, pHandler] : clicks)
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(nId)), &QAbstractButton::clicked, this, pHandler);
    for (int nId : {IDC_LINE, IDC_ARIA, IDC_CIRCLE, IDC_CIRCLE2, IDC_SUI, IDC_ANGLE}) {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(nId)), &QAbstractButton::clicked, this,
                [this, nId] { OnTool(ToolOfButton(nId)); });
    }
}

// ---------------------------------------------------------------------------
// Life of the window

int CViewerDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

BOOL CViewerDlg::OnInitDialog()
{
    setWindowIcon(m_Art.m_hIcon);
    LoadSettings();
    setWindowTitle(QString::fromUtf8(PROGRAM_TITLE));
    for (CCalibEntry& entry : m_CalibList)
        entry.RecalcPixelSize();
    ActivateCamera();
    m_Controls.SetUpResultsList();
    {
        const QSignalBlocker quiet(m_Controls.m_cbCalib);
        m_Controls.SetUpCalibCombo(m_CalibList);
    }
    RecalcMeasurements();
    m_Controls.m_sbStrip->setValue(0);
    UpdateThumbScrollRange();
    if (g_bJapanese)
        m_Controls.SetUpTooltips();
    RecalcLayout();
    m_nUiTimerId = startTimer(TIMER_UI_PERIOD_MS, Qt::PreciseTimer);
    m_LiveView.StartDisplayThread();
    return TRUE;
}

void CViewerDlg::LoadSettings()
{
    CViewerSettings settings;
    m_SettingsFile.Load(settings, m_CalibList);
    // A stored zoom outside the six choices would leave the view without a factor.
    if (settings.m_Bai < 0 || settings.m_Bai >= m_Controls.m_cbZoom->count())
        settings.m_Bai = 1;
    m_Settings.Update([&settings](CViewerSettings& s) { s = settings; });
    {
        const QSignalBlocker quiet(m_Controls.m_cbZoom);
        m_Controls.m_cbZoom->setCurrentIndex(settings.m_Bai);
    }
    CViewGeometry view = m_LiveView.View();
    view.offsets = CScrollOffsets{settings.m_Bai_X, settings.m_Bai_Y};
    m_LiveView.SetView(view);
    m_Art.DecodePictures();
    RebuildPictureFolder();
}

void CViewerDlg::SaveSettings()
{
    const CScrollOffsets offsets = m_LiveView.View().offsets;
    const int nZoom = m_Controls.m_cbZoom->currentIndex();
    m_Settings.Update([&offsets, nZoom](CViewerSettings& s) {
        s.m_Bai = nZoom;
        s.m_Bai_X = offsets.x;
        s.m_Bai_Y = offsets.y;
    });
    CWindowPlacement placement;
    placement.bMaximized = isMaximized();
    placement.rcNormal = ToRect(isMaximized() ? normalGeometry() : geometry());
    // A settings file that cannot be written is logged by Save; the window closes anyway.
    m_SettingsFile.Save(m_Settings.Snapshot(), placement);
}

void CViewerDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    if (m_bPlacementRestored)
        return;
    m_bPlacementRestored = true;
    const CWindowPlacement placement = m_SettingsFile.LoadPlacement(ToRect(geometry()));
    setGeometry(ToQRect(placement.rcNormal));
    if (placement.bMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CViewerDlg::EndSession()
{
    m_bEndingSession = true;
    close();
}

bool CViewerDlg::OnClose()
{
    if (!g_bJapanese || m_bEndingSession)
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("終了確認"), QStringLiteral("終了しますか？"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    return box.exec() == QMessageBox::Yes;
}

void CViewerDlg::closeEvent(QCloseEvent* pEvent)
{
    if (!OnClose()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
    done(QDialog::Rejected);
}

void CViewerDlg::reject()
{
    // Escape asks like the close box does instead of ending the program at once.
    close();
}

void CViewerDlg::done(int nResult)
{
    QDialog::done(nResult);
    OnDestroy();
}

void CViewerDlg::OnDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    if (m_nUiTimerId != 0) {
        killTimer(m_nUiTimerId);
        m_nUiTimerId = 0;
    }
    // The camera stops and the display thread ends before the settings are written, so
    // nothing it changes (white-balance gains, exposure) can be half-written into the file.
    m_LiveView.Close();
    SaveSettings();
    LeavePictureFolder(true);
}

void CViewerDlg::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_nUiTimerId)
        OnTimer();
    else
        QDialog::timerEvent(pEvent);
}

void CViewerDlg::OnTimer()
{
    m_LiveView.Tick(timeGetTime());
    setWindowTitle(QString::fromUtf8(m_LiveView.TitleText()));
    TakeFinishedThumbnails();
    if (m_bRepaintAll) {
        update();
        m_bRepaintAll = 0;
    }
}

void CViewerDlg::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    // A new frame repaints the view only; the background behind it needs no redraw.
    const bool bViewOnly = ToQRect(m_LiveView.View().rcView).contains(pEvent->rect());
    const QImage& tile = m_Art.m_BackTile;
    if (!tile.isNull() && !bViewOnly) {
        const int nColumns = width() / tile.width() + 1;
        const int nRows = height() / tile.height() + 1;
        for (int nRow = 0; nRow < nRows; ++nRow) {
            for (int nColumn = 0; nColumn < nColumns; ++nColumn)
                painter.drawImage(nColumn * tile.width(), nRow * tile.height(), tile);
        }
    }
    PaintView(painter);
    PaintStrip(painter);
}

// ---------------------------------------------------------------------------
// LIVE and WB

void CViewerDlg::OnLive()
{
    if (m_LiveView.IsFrozen())
        m_LiveView.Resume();
    else
        m_LiveView.Freeze();
    RecalcLayout();
    m_bRepaintAll = 1;
    GetDlgItem(IDC_LIVE)->update();
    update();
}

void CViewerDlg::OnSet()
{
    if (m_LiveView.IsFrozen())
        OpenCameraSetDlg();
    else
        OpenImageSetDlg();
}

void CViewerDlg::OnWhiteBalance()
{
    m_Settings.Update([](CViewerSettings& s) { s.m_WB_Flg = s.m_WB_Flg == 0 ? 1 : 0; });
    update();
}

// ---------------------------------------------------------------------------
// Calibration

CCalibEntry& CViewerDlg::SelectedCalib()
{
    const int nSelected = m_Controls.m_cbCalib->currentIndex();
    return m_CalibList[nSelected >= 0 && nSelected < CALIB_ENTRY_COUNT ? nSelected : 0];
}

void CViewerDlg::OnCalib()
{
    if (m_CalibDlg.IsOpen())
        return;
    m_CalibDlg.Open(&SelectedCalib(), m_Controls.m_cbCalib, QCursor::pos() - QPoint(300, 150));
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::OnCalibSelChange()
{
    // Every result in the new entry's factors and unit; the handles now act on it.
    RecalcMeasurements();
}

void CViewerDlg::OnDialogDone(int)
{
    RecalcMeasurements();
}

void CViewerDlg::RecalcMeasurements()
{
    // The scale bar takes the entry's factors and unit.
    CScaleData scale = m_Settings.Read([](const CViewerSettings& s) { return s.m_ScaleData; });
    SetScaleCalibration(scale, SelectedCalib());
    SetScaleData(scale);
    const CDibImage& shown = m_LiveView.ShownImage();
    ::RecalcMeasurements(m_Measure.m_MeasureList, m_Results, SelectedCalib(), shown.Width(), shown.Height());
    ShowResults();
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::ShowResults()
{
    if (m_nShownResults == m_Results.Revision())
        return;
    m_nShownResults = m_Results.Revision();
    QTableWidget* pList = m_Controls.m_lcResults;
    const auto& rows = m_Results.Rows();
    pList->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < pList->rowCount(); ++i) {
        const CResultsTable::CRow& row = rows[static_cast<std::size_t>(i)];
        const QString texts[] = {QString::number(i), QString::fromStdString(row.text.szType),
                                 QString::fromStdString(row.text.szValue), QString::fromStdString(row.text.szUnit)};
        for (int nColumn = 0; nColumn < 4; ++nColumn) {
            QTableWidgetItem* pCell = pList->item(i, nColumn);
            if (pCell == nullptr)
                pList->setItem(i, nColumn, pCell = new QTableWidgetItem);
            pCell->setText(texts[nColumn]);
        }
    }
}

// ---------------------------------------------------------------------------
// Measuring tools

void CViewerDlg::OnTool(MeasureTool nTool)
{
    m_MeasureMouse.SelectTool(nTool);
    UpdateToolButtons();
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::OnDeleteResults()
{
    QTableWidget* pList = m_Controls.m_lcResults;
    std::vector<bool> bSelected(static_cast<std::size_t>(pList->rowCount()), false);
    for (const QModelIndex& row : pList->selectionModel()->selectedRows())
        bSelected[static_cast<std::size_t>(row.row())] = true;
    pList->clearSelection();
    // A measurement being dragged may be one that goes.
    m_Measure.ClearDrag();
    m_Results.DeleteRows(std::move(bSelected), m_Measure.m_MeasureList);
    ShowResults();
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::OnClearResults()
{
    m_MeasureMouse.SelectTool(TOOL_NONE);
    m_Measure.ClearDrag();
    m_Measure.m_MeasureList.Clear();
    m_Results.Clear();
    ShowResults();
    UpdateToolButtons();
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::OnColor()
{
    const auto [clrLine, clrText] =
        m_Settings.Read([](const CViewerSettings& s) { return std::pair{s.m_clrLine, s.m_clrText}; });
    CColorSetDlg dlg(this, clrLine, clrText, [this](COLORREF clrNewLine, COLORREF clrNewText) {
        m_Settings.Update([clrNewLine, clrNewText](CViewerSettings& s) {
            s.m_clrLine = clrNewLine;
            s.m_clrText = clrNewText;
        });
        update(ToQRect(m_LiveView.View().rcView));
    });
    dlg.adjustSize();
    dlg.move(QCursor::pos() - QPoint(100, 100));
    dlg.exec();
}

void CViewerDlg::OnExportCsv()
{
    // The default name from the local time, in the "result" folder of the settings.
    const std::tm local = LocalTimeNow();
    MakeCsvResultFolder(m_SettingsFile.Folder());
    const QString initial = QString::fromStdString(CsvResultFolder(m_SettingsFile.Folder()) + "/" + CsvDefaultName(local));
    const QString filters = QString::fromUtf8(LoadUiString(IDS_CSV_FILTER)) + QStringLiteral(";;") +
                            QString::fromUtf8(LoadUiString(IDS_ALL_FILES_FILTER));
    QFileDialog chooser(this, QString::fromUtf8(LoadUiString(IDS_SAVE_AS_TITLE)), initial, filters);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setDefaultSuffix(QStringLiteral("csv"));
    // An existing file is appended to, not replaced: no question about overwriting it.
    chooser.setOption(QFileDialog::DontConfirmOverwrite);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const std::string szPath = chooser.selectedFiles().first().toStdString();
    std::string szError;
    if (!AppendResultsCsv(szPath.c_str(), m_Results, g_bJapanese != 0, &szError))
        QMessageBox::warning(this, QString::fromUtf8(PROGRAM_TITLE),
                             QString::fromUtf8(LoadUiString(IDS_CSV_NOT_WRITTEN)) + QStringLiteral("\n") +
                                 QString::fromStdString(szError));
}

void CViewerDlg::OnScale()
{
    if (m_ScaleDlg.IsOpen())
        return;
    const CScaleData scale = m_Settings.Read([](const CViewerSettings& s) { return s.m_ScaleData; });
    const CDibImage& raw = m_LiveView.RawImage();
    m_ScaleDlg.Open(scale, raw.Width(), raw.Height(), QCursor::pos() - QPoint(300, 150),
                    [this](const CScaleData& changed) { SetScaleData(changed); });
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::SetScaleData(const CScaleData& scale)
{
    m_Settings.Update([&scale](CViewerSettings& s) { s.m_ScaleData = scale; });
    m_ScaleDlg.Update(scale);
    update(ToQRect(m_LiveView.View().rcView));
}

void CViewerDlg::UpdateToolButtons()
{
    // The tool buttons show which one is active.
    for (int nId : {IDC_LINE, IDC_ARIA, IDC_CIRCLE, IDC_CIRCLE2, IDC_SUI, IDC_ANGLE})
        GetDlgItem(nId)->update();
}
