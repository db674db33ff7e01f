#include "app/dialogs/camera_set_dlg.h"

#include "app/res/ui_texts.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <iterator>
#include <vector>

namespace {

QString Text(int nId) { return QString::fromUtf8(CameraSetDialogText(nId)); }

template <typename TWidget>
TWidget* WithId(TWidget* pWidget, int nId)
{
    pWidget->setObjectName(QString::number(nId));
    return pWidget;
}

// The layout of the fields: two per row, each with its label.
struct CFieldPlace {
    int nId;
    int CCameraSetValues::*pnValue;
    bool bDigitsOnly; // the window and the totals take digits only
    int nRow;
    int nColumn; // 0 left, 1 right
};
constexpr CFieldPlace FIELD_PLACES[] = {
    {1145, &CCameraSetValues::TH, true, 0, 0},      {1146, &CCameraSetValues::TV, true, 0, 1},
    {1147, &CCameraSetValues::EH, true, 1, 0},      {1148, &CCameraSetValues::EV, true, 1, 1},
    {1149, &CCameraSetValues::EHS, true, 2, 0},     {1150, &CCameraSetValues::EVS, true, 2, 1},
    {1143, &CCameraSetValues::timer, false, 4, 0},  {1144, &CCameraSetValues::BufSize, false, 4, 1},
};
constexpr int SEPARATOR_ROW = 3; // between the camera's window and the program's values
constexpr int CLOCK_ROW = 5;

// Grid columns: label, field, gap, label, field.
constexpr int GAP_COLUMN = 2;
int LabelColumn(int nColumn) { return nColumn * 3; }

} // namespace

CCameraSetDlg::CCameraSetDlg(QWidget* pParent, const CCameraSetValues& values) : QDialog(pParent), m_Values(values)
{
    setObjectName(QStringLiteral("152")); // the template's id, as the controls carry theirs
    setWindowTitle(Text(0));

    auto* pGrid = new QGridLayout;
    // Room for eight digits; wider fields scroll.
    const int nFieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12;
    for (std::size_t i = 0; i < std::size(FIELD_PLACES); ++i) {
        const CFieldPlace& place = FIELD_PLACES[i];
        auto* pEdit = WithId(new QLineEdit(this), place.nId);
        pEdit->setMinimumWidth(nFieldWidth);
        if (place.bDigitsOnly)
            pEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pEdit));
        auto* pLabel = new QLabel(Text(place.nId), this);
        pLabel->setBuddy(pEdit);
        pGrid->addWidget(pLabel, place.nRow, LabelColumn(place.nColumn));
        pGrid->addWidget(pEdit, place.nRow, LabelColumn(place.nColumn) + 1);
        m_Fields[i] = CField{pEdit, place.pnValue, place.bDigitsOnly};
    }
    auto* pSeparator = new QFrame(this);
    pSeparator->setFrameShape(QFrame::HLine);
    pSeparator->setFrameShadow(QFrame::Sunken);
    pGrid->addWidget(pSeparator, SEPARATOR_ROW, 0, 1, 5);

    m_cbClock = WithId(new QComboBox(this), 1216);
    for (int nIndex = 0; nIndex < 2; ++nIndex)
        m_cbClock->addItem(Text(CameraClockEntryId(nIndex)));
    auto* pClockLabel = new QLabel(Text(1216), this);
    pClockLabel->setBuddy(m_cbClock);
    pGrid->addWidget(pClockLabel, CLOCK_ROW, 0);
    pGrid->addWidget(m_cbClock, CLOCK_ROW, 1);
    pGrid->setColumnMinimumWidth(GAP_COLUMN, 16);
    pGrid->setColumnStretch(1, 1);
    pGrid->setColumnStretch(4, 1);

    auto* pSave = WithId(new QPushButton(Text(1087), this), 1087);
    auto* pLoad = WithId(new QPushButton(Text(1088), this), 1088);
    auto* pOk = WithId(new QPushButton(Text(1), this), 1);
    auto* pCancel = WithId(new QPushButton(Text(2), this), 2);
    pOk->setDefault(true);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(pSave);
    pButtons->addWidget(pLoad);
    pButtons->addStretch(1);
    pButtons->addSpacing(24);
    pButtons->addWidget(pOk);
    pButtons->addWidget(pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pGrid);
    pLayout->addSpacing(8);
    pLayout->addLayout(pButtons);
    // The size the texts of the language need, and no other: nothing is cut or stretched.
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    std::vector<QWidget*> tabOrder;
    for (const CField& field : m_Fields)
        tabOrder.push_back(field.pEdit);
    tabOrder.insert(tabOrder.end(), {m_cbClock, pSave, pLoad, pOk, pCancel});
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(pSave, &QPushButton::clicked, this, &CCameraSetDlg::OnSave);
    connect(pLoad, &QPushButton::clicked, this, &CCameraSetDlg::OnLoad);
    connect(pOk, &QPushButton::clicked, this, &CCameraSetDlg::accept);
    connect(pCancel, &QPushButton::clicked, this, &CCameraSetDlg::reject);
    // The clock list has no handler: a new choice waits for OK like every field.

    ShowValues(m_Values);
    m_Fields[0].pEdit->setFocus();
}

void CCameraSetDlg::ShowValues(const CCameraSetValues& values)
{
    for (const CField& field : m_Fields)
        field.pEdit->setText(QString::number(values.*field.pnValue));
    // A stored clock other than 0 or 1 leaves the list without a selection.
    m_cbClock->setCurrentIndex(values.Clock >= 0 && values.Clock < m_cbClock->count() ? values.Clock : -1);
}

bool CCameraSetDlg::ReadFields(CCameraSetValues& values)
{
    for (const CField& field : m_Fields) {
        if (!ParseCameraSetField(field.pEdit->text().toStdString(), field.bDigitsOnly, values.*field.pnValue)) {
            Refuse(field.pEdit, QString::fromUtf8(LoadUiString(IDP_PARSE_INT)));
            return false;
        }
    }
    if (m_cbClock->currentIndex() >= 0)
        values.Clock = m_cbClock->currentIndex();
    return true;
}

QLineEdit* CCameraSetDlg::FieldOf(int CCameraSetValues::*pnValue) const
{
    for (const CField& field : m_Fields) {
        if (field.pnValue == pnValue)
            return field.pEdit;
    }
    return m_Fields[0].pEdit;
}

void CCameraSetDlg::Refuse(QLineEdit* pField, const QString& text)
{
    QMessageBox::warning(this, windowTitle(), text);
    pField->setFocus();
    pField->selectAll();
}

void CCameraSetDlg::accept()
{
    CCameraSetValues values = m_Values;
    if (!ReadFields(values))
        return;
    ECaptureWindowFault fault = ECaptureWindowFault::None;
    if (!CheckCaptureWindow(values, fault)) {
        // The camera would refuse the window at the next start of live view: the field
        // to change gets the focus, and the dialog stays.
        int CCameraSetValues::*pnField = &CCameraSetValues::EH;
        if (fault == ECaptureWindowFault::NegativeX)
            pnField = &CCameraSetValues::EHS;
        else if (fault == ECaptureWindowFault::NegativeY)
            pnField = &CCameraSetValues::EVS;
        else if (fault == ECaptureWindowFault::TooLow || fault == ECaptureWindowFault::BeyondBottom)
            pnField = &CCameraSetValues::EV;
        Refuse(FieldOf(pnField), QString::fromStdString(CaptureWindowFaultText(fault)));
        return;
    }
    m_Values = values;
    QDialog::accept();
}

QString CCameraSetDlg::AskFile(bool bSave)
{
    QFileDialog chooser(this, Text(bSave ? IDS_CAMERA_SET_SAVE_TITLE : IDS_CAMERA_SET_LOAD_TITLE), QString(),
                        Text(IDS_CAMERA_SET_FILTER));
    chooser.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    chooser.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    chooser.setDefaultSuffix(QStringLiteral("ini"));
    // Saving into an existing file replaces six keys of its section "Vexilo" and keeps
    // everything else (the model sections Load reads among them): nothing to confirm.
    chooser.setOption(QFileDialog::DontConfirmOverwrite, bSave);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return {};
    return chooser.selectedFiles().first();
}

void CCameraSetDlg::OnSave()
{
    // The fields as OK would take them, before a file is chosen for them.
    CCameraSetValues values = m_Values;
    if (!ReadFields(values))
        return;
    const QString path = AskFile(true);
    if (path.isEmpty())
        return;
    if (!SaveCameraSetFile(QFile::encodeName(path).constData(), values))
        QMessageBox::warning(this, windowTitle(), Text(IDS_CAMERA_SET_NOT_SAVED));
}

void CCameraSetDlg::OnLoad()
{
    // The file's keys replace what the fields show; what it lacks stays as shown.
    CCameraSetValues values = m_Values;
    if (!ReadFields(values))
        return;
    const QString path = AskFile(false);
    if (path.isEmpty())
        return;
    if (!LoadCameraSetFile(QFile::encodeName(path).constData(), values)) {
        QMessageBox::warning(this, windowTitle(), Text(IDS_CAMERA_SET_NOT_READ));
        return;
    }
    ShowValues(values);
}
