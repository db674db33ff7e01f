#include "app/shell/viewer_dlg.h"

#include "app/res/resources.h"
#include "app/res/ui_texts.h"
#include "app/res/version.h"
#include "app/shell/dib_qimage.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/core/panel_faces.h"
#include "app/shell/core/view_layout.h"
#include "app/shell/panel_button.h"
#include "app/shell/qt_geometry.h"
#include "platform/clock.h"
#include "platform/log.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimerEvent>

namespace {

// Background colour of static texts and group captions.
constexpr COLORREF kStaticBackground = RGB(0, 168, 185);

// Japanese tooltips: control id and string id.
constexpr std::pair<int, int> s_Tooltips[] = {
    {IDC_LIVE, 200},    {IDC_SAVE, 201},        {IDC_DIR, 202},     {IDC_SET, 203},     {IDC_TYPE, 204},
    {IDC_THUMB, 205},   {IDC_WB, 206},          {IDC_ZOOM, 207},    {IDC_LINE, 208},    {IDC_ARIA, 209},
    {IDC_CIRCLE, 210},  {IDC_CIRCLE2, 211},     {IDC_SUI, 212},     {IDC_ANGLE, 213},   {IDC_DELETE, 214},
    {IDC_CLEAR, 215},   {IDC_COLOR, 216},       {IDC_CSV, 217},     {IDC_CALIB, 218},   {IDC_SCALE, 224},
    {IDC_CALIB_COMBO, 219}, {IDC_RESULTS, 220},
};

QString Caption(int nId) { return QString::fromUtf8(MainWindowCaption(nId)); }

} // namespace

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
                     {}})
{
    ResourceBlock icon;
    if (FindResourceBlock(IDR_MAINFRAME, RT_ICON_PNG, icon))
        m_hIcon = QIcon(QPixmap::fromImage(QImage::fromData(icon.pData, static_cast<int>(icon.nSize))));

    ResourceBlock cursor;
    if (FindResourceBlock(IDC_HAND_CURSOR, RT_CURSOR_PNG, cursor)) {
        const QPixmap hand = QPixmap::fromImage(QImage::fromData(cursor.pData, static_cast<int>(cursor.nSize)));
        m_PanCursor = QCursor(hand, HAND_CURSOR_HOTSPOT.x, HAND_CURSOR_HOTSPOT.y);
    }

    resize(MAIN_TEMPLATE_CLIENT.cx, MAIN_TEMPLATE_CLIENT.cy);
    CreateControls();
}

CViewerDlg::~CViewerDlg()
{
    // The display thread posts repaints to the window: it must end before the window does.
    m_LiveView.Close();
}

QWidget* CViewerDlg::GetDlgItem(int nId) const
{
    const auto it = m_Controls.find(nId);
    return it != m_Controls.end() ? it->second : nullptr;
}

// ---------------------------------------------------------------------------
// Controls of template 102

void CViewerDlg::CreateControls()
{
    const QString staticColor = QStringLiteral("rgb(%1, %2, %3)")
                                    .arg(GetRValue(kStaticBackground))
                                    .arg(GetGValue(kStaticBackground))
                                    .arg(GetBValue(kStaticBackground));
    setStyleSheet(QStringLiteral("QLabel { background-color: %1; font-size: 8pt; }"
                                 "QGroupBox { border: 1px solid rgba(255, 255, 255, 150); border-radius: 4px; margin-top: 7px; }"
                                 "QGroupBox::title { subcontrol-origin: margin; left: 8px;"
                                 " padding: 0 3px; background-color: %1; }")
                      .arg(staticColor));

    for (const ControlTemplate& control : MainWindowTemplate()) {
        QWidget* pWidget = nullptr;
        switch (control.kind) {
        case ControlKind::Frame:
            pWidget = new QWidget(this);
            pWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
            break;
        case ControlKind::GroupBox:
            pWidget = new QGroupBox(Caption(control.nId), this);
            break;
        case ControlKind::PanelButton:
            CreatePanelButton(control.nId, control.rc);
            continue;
        case ControlKind::ToggleButton:
            CreateToggleButton(control.nId, control.rc);
            continue;
        case ControlKind::ComboBox: {
            auto* pCombo = new QComboBox(this);
            if (control.nId == IDC_ZOOM)
                m_cbZoom = pCombo;
            else
                m_cbCalib = pCombo;
            pWidget = pCombo;
            break;
        }
        case ControlKind::Static:
            pWidget = new QLabel(Caption(control.nId), this);
            break;
        case ControlKind::ListView:
            m_lcResults = new QTableWidget(this);
            pWidget = m_lcResults;
            break;
        case ControlKind::ScrollBar:
            m_sbStrip = new QScrollBar(Qt::Horizontal, this);
            pWidget = m_sbStrip;
            break;
        }
        pWidget->setObjectName(QString::number(control.nId));
        pWidget->setGeometry(ToQRect(control.rc));
        m_Controls[control.nId] = pWidget;
    }

    for (const UiText& choice : ZoomChoices())
        m_cbZoom->addItem(QString::fromUtf8(CurrentText(choice)));
    m_cbZoom->setCurrentIndex(1);
    connect(m_cbZoom, &QComboBox::currentIndexChanged, this, [this] { OnZoomChanged(); });
    connect(m_sbStrip, &QScrollBar::actionTriggered, this, [this](int nAction) { OnStripScrollAction(nAction); });
    connect(qobject_cast<QAbstractButton*>(GetDlgItem(IDC_PANEL_TOGGLE)), &QAbstractButton::clicked, this,
            [this] { OnPanelToggle(); });
    connect(qobject_cast<QAbstractButton*>(GetDlgItem(IDC_LIVE)), &QAbstractButton::clicked, this, [this] { OnLive(); });
    connect(qobject_cast<QAbstractButton*>(GetDlgItem(IDC_WB)), &QAbstractButton::clicked, this,
            [this] { OnWhiteBalance(); });
    connect(qobject_cast<QAbstractButton*>(GetDlgItem(IDC_STRIP_TOGGLE)), &QAbstractButton::clicked, this,
            [this] { OnStripToggle(); });
}

void CViewerDlg::CreatePanelButton(int nId, const RECT& rc)
{
    auto faceOf = [this, nId](bool bEnabled, POINT& cell) {
        PanelFaceState state;
        state.bFrozen = m_LiveView.IsFrozen();
        state.bSaveOverlay = m_bSaveOverlay != 0;
        state.bEnabled = bEnabled;
        return PanelFaceCell(nId, state, cell);
    };
    const int nTool = ToolOfButton(nId);
    auto isActiveTool = [this, nTool] { return nTool != 0 && m_nActiveTool == nTool; };
    auto* pButton = new CPanelButton(nId, m_PanelSheet, PANEL_FACE_SIZE, faceOf, isActiveTool, this);
    pButton->setText(Caption(nId));
    pButton->setGeometry(ToQRect(rc));
    m_Controls[nId] = pButton;
}

void CViewerDlg::CreateToggleButton(int nId, const RECT& rc)
{
    auto faceOf = [this, nId](bool, POINT& cell) {
        return ToggleFaceCell(nId, m_bPanelVisible != 0, m_bThumbVisible != 0, cell);
    };
    auto* pButton = new CPanelButton(nId, m_ToggleSheet, TOGGLE_FACE_SIZE, faceOf, {}, this);
    pButton->setGeometry(ToQRect(rc));
    m_Controls[nId] = pButton;
}

void CViewerDlg::SetUpResultsList()
{
    m_lcResults->setColumnCount(4);
    m_lcResults->setHorizontalHeaderLabels({QStringLiteral("No."), QString::fromUtf8(LoadUiString(IDS_COLUMN_TYPE)),
                                            QString::fromUtf8(LoadUiString(IDS_COLUMN_RESULT)),
                                            QString::fromUtf8(LoadUiString(IDS_COLUMN_UNIT))});
    const int nWidths[] = {31, 60, 50, 40};
    for (int i = 0; i < 4; ++i)
        m_lcResults->setColumnWidth(i, nWidths[i]);
    m_lcResults->verticalHeader()->hide();
    m_lcResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lcResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lcResults->setShowGrid(true);
}

void CViewerDlg::SetUpCalibCombo()
{
    m_cbCalib->clear();
    for (const CCalibEntry& entry : m_CalibList)
        m_cbCalib->addItem(QString::fromUtf8(entry.m_szName));
    m_cbCalib->setCurrentIndex(0);
}

void CViewerDlg::SetUpTooltips()
{
    for (const auto& [nControl, nString] : s_Tooltips) {
        if (QWidget* pControl = GetDlgItem(nControl))
            pControl->setToolTip(QString::fromUtf8(LoadUiString(nString)));
    }
}

void CViewerDlg::DecodeUiPictures()
{
    m_PanelImage.LoadPngResource(IDB_PANEL, RT_PNG);
    m_BackImage.LoadPngResource(IDB_BACKGROUND, RT_PNG);
    m_IconImage.LoadPngResource(IDB_TOGGLES, RT_PNG);
    m_PanelSheet = DibToQImage(m_PanelImage);
    m_BackTile = DibToQImage(m_BackImage);
    m_ToggleSheet = DibToQImage(m_IconImage);
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
    setWindowIcon(m_hIcon);
    LoadSettings();
    setWindowTitle(QString::fromUtf8(PROGRAM_TITLE));
    for (CCalibEntry& entry : m_CalibList)
        entry.RecalcPixelSize();
    ActivateCamera();
    SetUpResultsList();
    SetUpCalibCombo();
    m_sbStrip->setValue(0);
    UpdateThumbScrollRange();
    if (g_bJapanese)
        SetUpTooltips();
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
    if (settings.m_Bai < 0 || settings.m_Bai >= m_cbZoom->count())
        settings.m_Bai = 1;
    m_Settings.Update([&settings](CViewerSettings& s) { s = settings; });
    {
        const QSignalBlocker quiet(m_cbZoom);
        m_cbZoom->setCurrentIndex(settings.m_Bai);
    }
    CViewGeometry view = m_LiveView.View();
    view.offsets = ScrollOffsets{settings.m_Bai_X, settings.m_Bai_Y};
    m_LiveView.SetView(view);
    DecodeUiPictures();
}

void CViewerDlg::SaveSettings()
{
    const ScrollOffsets offsets = m_LiveView.View().offsets;
    const int nZoom = m_cbZoom->currentIndex();
    m_Settings.Update([&offsets, nZoom](CViewerSettings& s) {
        s.m_Bai = nZoom;
        s.m_Bai_X = offsets.x;
        s.m_Bai_Y = offsets.y;
    });
    WindowPlacement placement;
    placement.bMaximized = isMaximized() ? 1 : 0;
    placement.rcNormal = ToRect(isMaximized() ? normalGeometry() : geometry());
    if (!m_SettingsFile.Save(m_Settings.Snapshot(), placement))
        LogLine(ELogCategory::Files, "the settings could not be written to %s", m_SettingsFile.IniPath().c_str());
}

void CViewerDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    if (m_bPlacementRestored)
        return;
    m_bPlacementRestored = true;
    const WindowPlacement placement = m_SettingsFile.LoadPlacement(ToRect(geometry()));
    setGeometry(ToQRect(placement.rcNormal));
    if (placement.bMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

bool CViewerDlg::OnClose()
{
    if (!g_bJapanese)
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
    if (!m_BackTile.isNull() && !bViewOnly) {
        const int nColumns = width() / m_BackTile.width() + 1;
        const int nRows = height() / m_BackTile.height() + 1;
        for (int nRow = 0; nRow < nRows; ++nRow) {
            for (int nColumn = 0; nColumn < nColumns; ++nColumn)
                painter.drawImage(nColumn * m_BackTile.width(), nRow * m_BackTile.height(), m_BackTile);
        }
    }
    PaintView(painter);
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

void CViewerDlg::OnWhiteBalance()
{
    m_Settings.Update([](CViewerSettings& s) { s.m_WB_Flg = s.m_WB_Flg == 0 ? 1 : 0; });
    update();
}
