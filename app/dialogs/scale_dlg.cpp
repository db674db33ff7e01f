#include "app/dialogs/scale_dlg.h"

#include "app/res/ui_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

#include <utility>

namespace {

QString Text(int nId) { return QString::fromUtf8(ScaleDialogText(nId)); }

template <typename TWidget>
TWidget* WithId(TWidget* pWidget, int nId)
{
    pWidget->setObjectName(QString::number(nId));
    return pWidget;
}

QComboBox* ListWithEntries(int nId, int nCount, QWidget* pParent)
{
    auto* pList = WithId(new QComboBox(pParent), nId);
    for (int i = 0; i < nCount; ++i)
        pList->addItem(Text(ScaleListEntryId(nId, i)));
    return pList;
}

} // namespace

CScaleDlg::CScaleDlg(QWidget* pParent) : QDialog(pParent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("158")); // the template's id, as the controls carry theirs
    setWindowTitle(Text(0));
    setModal(false);
    m_chkShow = WithId(new QCheckBox(Text(1205), this), 1205);
    m_cbType = ListWithEntries(1124, SCALE_TYPE_COUNT, this);
    m_cbPosition = ListWithEntries(1125, SCALE_POS_COUNT, this);
    m_edX = WithId(new QLineEdit(this), 1121);
    m_edY = WithId(new QLineEdit(this), 1122);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk = pButtons->addButton(Text(1), QDialogButtonBox::AcceptRole);
    pOk->setObjectName(QStringLiteral("1"));
    pOk->setDefault(true);
    pButtons->addButton(Text(2), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CScaleDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CScaleDlg::reject);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(m_chkShow, 0, 0, 1, 4);
    pLayout->addWidget(new QLabel(Text(1124), this), 1, 0);
    pLayout->addWidget(m_cbType, 1, 1, 1, 3);
    pLayout->addWidget(new QLabel(Text(1125), this), 2, 0);
    pLayout->addWidget(m_cbPosition, 2, 1, 1, 3);
    pLayout->addWidget(new QLabel(Text(1121), this), 3, 0);
    pLayout->addWidget(m_edX, 3, 1);
    pLayout->addWidget(new QLabel(Text(1122), this), 3, 2);
    pLayout->addWidget(m_edY, 3, 3);
    pLayout->addWidget(pButtons, 4, 0, 1, 4);
    resize(249, 181); // 166 x 111 dialog units

    connect(m_chkShow, &QCheckBox::toggled, this, &CScaleDlg::OnShowToggled);
    connect(m_cbType, &QComboBox::currentIndexChanged, this, &CScaleDlg::OnTypeChanged);
    // A position is a one-off placement, so picking the same entry again (after a drag)
    // places the bar again: the list reacts to picks, not to changes of its selection.
    connect(m_cbPosition, &QComboBox::activated, this, &CScaleDlg::OnPositionChosen);
}

void CScaleDlg::Open(const CScaleData& current, int nImageWidth, int nImageHeight, const QPoint& topLeft,
                     std::function<void(const CScaleData&)> onChange)
{
    if (m_bOpen)
        return;
    m_bOpen = true;
    m_Saved = current;
    m_Working = current;
    m_nImageWidth = nImageWidth;
    m_nImageHeight = nImageHeight;
    m_OnChange = std::move(onChange);
    {
        const QSignalBlocker quietShow(m_chkShow);
        const QSignalBlocker quietType(m_cbType);
        const QSignalBlocker quietPosition(m_cbPosition);
        m_chkShow->setChecked(current.Visible != 0); // as the bar is drawn
        // A type out of range leaves the list without a selection.
        m_cbType->setCurrentIndex(current.Type >= 0 && current.Type < SCALE_TYPE_COUNT ? current.Type : -1);
        m_cbPosition->setCurrentIndex(-1);
    }
    m_edX->setText(QString::number(current.Size.cx));
    m_edY->setText(QString::number(current.Size.cy));
    move(topLeft);
    show();
    raise();
}

void CScaleDlg::Update(const CScaleData& data)
{
    if (m_bOpen)
        m_Working = data;
}

void CScaleDlg::OnShowToggled(bool bChecked)
{
    if (!m_bOpen)
        return;
    m_Working.Visible = bChecked ? 1 : 0;
    Changed();
}

void CScaleDlg::OnTypeChanged(int nIndex)
{
    if (!m_bOpen || nIndex < 0)
        return;
    m_Working.Type = nIndex;
    Changed();
}

void CScaleDlg::OnPositionChosen(int nIndex)
{
    if (!m_bOpen)
        return;
    int nX = 0;
    int nY = 0;
    // Without two integers nothing is placed, and the list shows nothing new either.
    if (!ReadSize(nX, nY)) {
        const QSignalBlocker quiet(m_cbPosition);
        m_cbPosition->setCurrentIndex(-1);
        return;
    }
    // A zero factor gives no length in pixels to place a corner by; that placement is
    // left out, and nothing changes.
    if (!PlaceScaleBar(m_Working, nIndex, nX, nY, m_nImageWidth, m_nImageHeight))
        return;
    m_edX->setText(QString::number(m_Working.Size.cx));
    m_edY->setText(QString::number(m_Working.Size.cy));
    Changed();
}

bool CScaleDlg::ReadSize(int& nX, int& nY)
{
    for (auto [pField, pValue] : {std::pair{m_edX, &nX}, std::pair{m_edY, &nY}}) {
        if (!ParseScaleInt(pField->text().toStdString(), *pValue)) {
            QMessageBox::warning(this, windowTitle(), QString::fromUtf8(LoadUiString(IDP_PARSE_INT)));
            pField->setFocus();
            pField->selectAll();
            return false;
        }
    }
    return true;
}

void CScaleDlg::Changed()
{
    if (m_OnChange)
        m_OnChange(m_Working);
}

void CScaleDlg::accept()
{
    if (!m_bOpen)
        return;
    // A field without an integer keeps the dialog open, and nothing changes.
    int nX = 0;
    int nY = 0;
    if (!ReadSize(nX, nY))
        return;
    m_Working.Size = SIZE{nX, nY};
    Changed();
    Close();
}

void CScaleDlg::reject()
{
    if (!m_bOpen) {
        hide();
        return;
    }
    CScaleData restored = m_Saved;
    // The fields the window keeps up to date stay as they are now (see Open).
    restored.Unit = m_Working.Unit;
    restored.MppX = m_Working.MppX;
    restored.MppY = m_Working.MppY;
    restored.bDrag = m_Working.bDrag;
    restored.DragOffset = m_Working.DragOffset;
    m_Working = restored;
    Changed();
    Close();
}

void CScaleDlg::Close()
{
    m_bOpen = false;
    hide();
    // The window's callback may hold what it captured; it is not needed until the next Open.
    m_OnChange = nullptr;
}
