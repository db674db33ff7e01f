#include "app/dialogs/calib_dlg.h"

#include "app/calib/calib_edit.h"
#include "app/res/ui_texts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

QString Text(int nId) { return QString::fromUtf8(CalibDialogText(nId)); }

QLineEdit* FieldWithId(int nId, QWidget* pParent)
{
    auto* pField = new QLineEdit(pParent);
    pField->setObjectName(QString::number(nId));
    return pField;
}

} // namespace

CCalibDlg::CCalibDlg(QWidget* pParent) : QDialog(pParent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("139")); // the template's id, as the controls carry theirs
    setWindowTitle(Text(0));
    setModal(false);
    m_edName = FieldWithId(1119, this);
    m_edX = FieldWithId(1121, this);
    m_edY = FieldWithId(1122, this);
    m_cbUnit = new QComboBox(this);
    m_cbUnit->setObjectName(QStringLiteral("1123"));
    for (int nUnit = 0; nUnit < 3; ++nUnit)
        m_cbUnit->addItem(QString::fromUtf8(UnitText(nUnit)));
    m_edInfo = FieldWithId(1140, this);
    m_edInfo->setReadOnly(true);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk = pButtons->addButton(Text(1), QDialogButtonBox::AcceptRole);
    pOk->setObjectName(QStringLiteral("1"));
    pOk->setDefault(true);
    pButtons->addButton(Text(2), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CCalibDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CCalibDlg::reject);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(new QLabel(Text(1119), this), 0, 0);
    pLayout->addWidget(m_edName, 0, 1, 1, 3);
    pLayout->addWidget(new QLabel(Text(1121), this), 1, 0);
    pLayout->addWidget(m_edX, 1, 1);
    pLayout->addWidget(new QLabel(Text(1122), this), 1, 2);
    pLayout->addWidget(m_edY, 1, 3);
    pLayout->addWidget(new QLabel(Text(1123), this), 2, 0);
    pLayout->addWidget(m_cbUnit, 2, 1);
    pLayout->addWidget(m_edInfo, 3, 0, 1, 4);
    pLayout->addWidget(pButtons, 4, 0, 1, 4);
    resize(315, 178); // 210 x 109 dialog units

    connect(m_edX, &QLineEdit::textEdited, this, &CCalibDlg::OnFieldChange);
    connect(m_edY, &QLineEdit::textEdited, this, &CCalibDlg::OnFieldChange);
    connect(m_cbUnit, &QComboBox::currentIndexChanged, this, &CCalibDlg::OnFieldChange);
}

void CCalibDlg::Open(CCalibEntry* pEntry, QComboBox* pCalibCombo, const QPoint& topLeft)
{
    if (IsOpen() || pEntry == nullptr)
        return;
    m_pEntry = pEntry;
    m_pCalibCombo = pCalibCombo;
    m_edName->setText(QString::fromUtf8(pEntry->m_szName));
    m_edX->setText(QString::fromStdString(FormatCalibLength(pEntry->m_dLengthX)));
    m_edY->setText(QString::fromStdString(FormatCalibLength(pEntry->m_dLengthY)));
    {
        const QSignalBlocker quiet(m_cbUnit);
        m_cbUnit->setCurrentIndex(pEntry->m_nUnit >= 0 && pEntry->m_nUnit < 3 ? pEntry->m_nUnit : 0);
    }
    OnFieldChange();
    move(topLeft);
    show();
    raise();
}

void CCalibDlg::OnFieldChange()
{
    double dX = 0;
    double dY = 0;
    // While a number is half typed the line keeps what it last said.
    if (m_pEntry == nullptr || !ParseCalibLength(m_edX->text().toStdString(), dX) ||
        !ParseCalibLength(m_edY->text().toStdString(), dY))
        return;
    m_edInfo->setText(QString::fromStdString(CalibInfoLine(*m_pEntry, dX, dY, m_cbUnit->currentIndex())));
}

bool CCalibDlg::ReadLength(QLineEdit* pField, double& dValue)
{
    if (ParseCalibLength(pField->text().toStdString(), dValue))
        return true;
    QMessageBox::warning(this, windowTitle(), QString::fromUtf8(LoadUiString(IDP_PARSE_REAL)));
    pField->setFocus();
    pField->selectAll();
    return false;
}

void CCalibDlg::accept()
{
    if (m_pEntry == nullptr)
        return;
    // A field without a number keeps the dialog open, and nothing is stored.
    double dX = 0;
    double dY = 0;
    if (!ReadLength(m_edX, dX) || !ReadLength(m_edY, dY))
        return;
    ApplyCalibEdit(*m_pEntry, m_edName->text().toStdString(), dX, dY, m_cbUnit->currentIndex());
    if (m_pCalibCombo != nullptr) {
        m_pCalibCombo->setItemText(m_pEntry->m_nNo, QString::fromUtf8(m_pEntry->m_szName));
        m_pCalibCombo->setCurrentIndex(m_pEntry->m_nNo);
    }
    Close(1);
}

void CCalibDlg::reject()
{
    // What was dragged stays in the entry; no field is stored.
    if (m_pEntry != nullptr)
        Close(2);
}

void CCalibDlg::Close(int nResult)
{
    m_pEntry = nullptr;
    m_pCalibCombo = nullptr;
    hide();
    emit DialogDone(nResult);
}
