#include "app/shell/viewer_controls.h"

#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/core/panel_faces.h"
#include "app/shell/panel_button.h"
#include "app/shell/qt_geometry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>

#include <utility>

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

void CViewerControls::Create(QWidget* pWindow, const QImage& panelSheet, const QImage& toggleSheet,
                             const FaceOf& faceOf, const IsActiveTool& isActiveTool)
{
    const QString staticColor = QStringLiteral("rgb(%1, %2, %3)")
                                    .arg(GetRValue(kStaticBackground))
                                    .arg(GetGValue(kStaticBackground))
                                    .arg(GetBValue(kStaticBackground));
    // The window's own static texts and frames only, not those of its dialogs.
    pWindow->setStyleSheet(
        QStringLiteral("%2 > QLabel { background-color: %1; font-size: 8pt; }"
                       "%2 > QGroupBox { border: 1px solid rgba(255, 255, 255, 150); border-radius: 4px; margin-top: 7px; }"
                       "%2 > QGroupBox::title { subcontrol-origin: margin; left: 8px;"
                       " padding: 0 3px; background-color: %1; }")
            .arg(staticColor, QString::fromLatin1(pWindow->metaObject()->className())));

    for (const CControlTemplate& control : MainWindowTemplate()) {
        const int nId = control.nId;
        QWidget* pWidget = nullptr;
        switch (control.kind) {
        case EControlKind::Frame:
            pWidget = new QWidget(pWindow);
            pWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
            break;
        case EControlKind::GroupBox:
            pWidget = new QGroupBox(Caption(nId), pWindow);
            // The strip's thumbnails are the window's: their clicks go to it.
            if (nId == IDC_STRIP_GROUP)
                pWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
            break;
        case EControlKind::PanelButton:
        case EControlKind::ToggleButton: {
            const bool bPanel = control.kind == EControlKind::PanelButton;
            auto* pButton = new CPanelButton(
                nId, bPanel ? panelSheet : toggleSheet, bPanel ? PANEL_FACE_SIZE : TOGGLE_FACE_SIZE,
                [faceOf, nId](bool bEnabled, POINT& cell) { return faceOf(nId, bEnabled, cell); },
                [isActiveTool, nId] { return isActiveTool(nId); }, pWindow);
            if (bPanel)
                pButton->setText(Caption(nId));
            pWidget = pButton;
            break;
        }
        case EControlKind::ComboBox: {
            auto* pCombo = new QComboBox(pWindow);
            (nId == IDC_ZOOM ? m_cbZoom : m_cbCalib) = pCombo;
            pWidget = pCombo;
            break;
        }
        case EControlKind::Static:
            pWidget = new QLabel(Caption(nId), pWindow);
            break;
        case EControlKind::ListView:
            m_lcResults = new QTableWidget(pWindow);
            pWidget = m_lcResults;
            break;
        case EControlKind::ScrollBar:
            m_sbStrip = new QScrollBar(Qt::Horizontal, pWindow);
            pWidget = m_sbStrip;
            break;
        }
        pWidget->setObjectName(QString::number(nId));
        pWidget->setGeometry(ToQRect(control.rc));
        m_Items[nId] = pWidget;
    }

    for (const CUiText& choice : ZoomChoices())
        m_cbZoom->addItem(QString::fromUtf8(CurrentText(choice)));
    m_cbZoom->setCurrentIndex(1);
}

QWidget* CViewerControls::Item(int nId) const
{
    const auto it = m_Items.find(nId);
    return it != m_Items.end() ? it->second : nullptr;
}

void CViewerControls::SetUpResultsList()
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
    m_lcResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lcResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lcResults->setShowGrid(true);
}

void CViewerControls::SetUpCalibCombo(const CCalibList& calibList)
{
    m_cbCalib->clear();
    for (const CCalibEntry& entry : calibList)
        m_cbCalib->addItem(QString::fromUtf8(entry.m_szName));
    m_cbCalib->setCurrentIndex(0);
}

void CViewerControls::SetUpTooltips()
{
    for (const auto& [nControl, nString] : s_Tooltips) {
        if (QWidget* pControl = Item(nControl))
            pControl->setToolTip(QString::fromUtf8(LoadUiString(nString)));
    }
}
