#include "app/dialogs/image_set_dlg.h"

#include "app/res/ui_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString Text(int nId) { return QString::fromUtf8(ImageSetDialogText(nId)); }

template <typename Widget>
Widget* WithId(Widget* pWidget, int nId)
{
    pWidget->setObjectName(QString::number(nId));
    return pWidget;
}

QSlider* Slider(int nId, QWidget* pParent)
{
    auto* pSlider = WithId(new QSlider(Qt::Horizontal, pParent), nId);
    pSlider->setMinimumWidth(160);
    return pSlider;
}

// The colours of the picture's first two rows and columns for each Bayer arrangement,
// row by row.
constexpr const char* BAYER_ARRANGEMENTS[4] = {"GBRG", "RGGB", "BGGR", "GRBG"};

QString BayerName(int nMode)
{
    const QString cells = QString::fromLatin1(BAYER_ARRANGEMENTS[nMode]);
    return cells.left(2) + u'/' + cells.right(2);
}

QIcon BayerIcon(int nMode)
{
    QPixmap picture(20, 20);
    QPainter painter(&picture);
    for (int i = 0; i < 4; ++i) {
        const char cCell = BAYER_ARRANGEMENTS[nMode][i];
        const QColor colour = cCell == 'R' ? QColor(210, 40, 40) : cCell == 'G' ? QColor(40, 170, 60) : QColor(40, 80, 220);
        painter.fillRect(i % 2 * 10, i / 2 * 10, 10, 10, colour);
    }
    return QIcon(picture);
}

} // namespace

CImageSetDlg::CImageSetDlg(CImageSetRules& rules, QWidget* pParent) : QDialog(pParent), m_Rules(rules)
{
    setObjectName(QStringLiteral("153")); // the template's id, as the controls carry theirs
    setWindowTitle(Text(0));
    const CImageSetStart start = m_Rules.Open();

    // Colour reconstruction: on/off, the arrangement of the sensor's colours, the gains.
    auto* pColour = new QGroupBox(this);
    auto* pColourGrid = new QGridLayout(pColour);
    pColourGrid->addWidget(AddCheck(EImageSetCheck::Bayer, 1143, start.bBayer), 0, 0, 1, 2);
    auto* pModes = new QButtonGroup(this);
    auto* pModeRow = new QHBoxLayout;
    for (int nMode = 0; nMode < 4; ++nMode) {
        auto* pRadio = WithId(new QRadioButton(BayerName(nMode), pColour), 1152 + nMode);
        pRadio->setIcon(BayerIcon(nMode));
        pRadio->setChecked(nMode == start.nBayerMode);
        pModes->addButton(pRadio, nMode);
        pModeRow->addWidget(pRadio);
    }
    pColourGrid->addLayout(pModeRow, 1, 0, 1, 2);
    const std::pair<EImageSetField, int> gains[] = {
        {EImageSetField::Red, 1145}, {EImageSetField::Green, 1146}, {EImageSetField::Blue, 1148}};
    for (int i = 0; i < 3; ++i) {
        pColourGrid->addWidget(new QLabel(Text(gains[i].second), pColour), 2 + i, 0);
        pColourGrid->addWidget(AddField(gains[i].first, gains[i].second, start), 2 + i, 1, Qt::AlignLeft);
    }
    pColourGrid->setColumnStretch(1, 1);

    // Binarization, interlace and automatic exposure (the last two shown only).
    auto* pOther = new QGroupBox(this);
    auto* pOtherGrid = new QGridLayout(pOther);
    pOtherGrid->addWidget(AddCheck(EImageSetCheck::Binarization, 1210, start.bBinarization), 0, 0);
    pOtherGrid->addWidget(AddField(EImageSetField::Threshold, 1211, start), 0, 1, Qt::AlignLeft);
    QAbstractButton* pInterlace = AddCheck(EImageSetCheck::Interlace, 1142, start.bInterlace);
    auto* pInterlaceValue = WithId(new QSpinBox(pOther), 1178);
    pInterlaceValue->setRange(0, 2000);
    pInterlaceValue->setValue(start.nInterlace);
    pInterlaceValue->setFixedWidth(80);
    pOtherGrid->addWidget(pInterlace, 1, 0);
    pOtherGrid->addWidget(pInterlaceValue, 1, 1, Qt::AlignLeft);
    pOtherGrid->setColumnStretch(1, 1);
    QAbstractButton* pAutoIris = AddCheck(EImageSetCheck::AutoIris, 1213, start.bAutoIris);
    pOtherGrid->addWidget(pAutoIris, 2, 0, 1, 2);
    auto* pIrisModes = new QButtonGroup(this);
    auto* pIrisRow = new QHBoxLayout;
    for (int nMode = 0; nMode < 2; ++nMode) {
        auto* pRadio = WithId(new QRadioButton(Text(1214 + nMode), pOther), 1214 + nMode);
        pRadio->setChecked(nMode == start.nAutoIrisMode);
        pIrisModes->addButton(pRadio, nMode);
        pIrisRow->addWidget(pRadio);
        pRadio->setEnabled(false);
    }
    pOtherGrid->addLayout(pIrisRow, 3, 0, 1, 2);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{pInterlace, pInterlaceValue, pAutoIris})
        pWidget->setEnabled(false);

    // Processing of the picture.
    auto* pTone = new QGroupBox(this);
    auto* pToneGrid = new QGridLayout(pTone);
    const std::pair<EImageSetField, int> tones[] = {
        {EImageSetField::Contrast, 1205}, {EImageSetField::Sharpness, 1208},  {EImageSetField::Hue, 1181},
        {EImageSetField::Brightness, 1183}, {EImageSetField::Saturation, 1185}, {EImageSetField::Gamma, 1166}};
    for (int i = 0; i < 6; ++i) {
        pToneGrid->addWidget(new QLabel(Text(tones[i].second), pTone), i, 0);
        pToneGrid->addWidget(AddField(tones[i].first, tones[i].second, start), i, 1);
    }
    pToneGrid->setRowStretch(6, 1);

    // The camera: global gain and exposure at once; colour gains and mirroring shown only.
    auto* pCamera = new QGroupBox(this);
    auto* pCameraGrid = new QGridLayout(pCamera);
    pCameraGrid->addWidget(new QLabel(Text(1170), pCamera), 0, 0, 1, 3);
    pCameraGrid->addWidget(new QLabel(Text(IMAGE_SET_TEXT_GAIN_A), pCamera), 1, 0);
    QSlider* pGain = Slider(1170, pCamera);
    pCameraGrid->addWidget(pGain, 1, 1);
    pCameraGrid->addWidget(AddField(EImageSetField::GlobalGain, CExposureControl::IDC_GLOBAL_GAIN_EDIT, start, pGain), 1, 2);
    pCameraGrid->addWidget(new QLabel(Text(1180), pCamera), 2, 0, 1, 3);
    QSlider* pExposure = Slider(1180, pCamera);
    pCameraGrid->addWidget(pExposure, 3, 1);
    pCameraGrid->addWidget(AddField(EImageSetField::Exposure, CExposureControl::IDC_EXPOSURE_EDIT, start, pExposure), 3, 2);

    auto* pColourGains = new QGroupBox(Text(IMAGE_SET_TEXT_COLOR_GAIN), pCamera);
    auto* pColourGainGrid = new QGridLayout(pColourGains);
    const int colourGains[][3] = {{1173, 1194, 1199}, {1174, 1195, 1200}, {1175, 1196, 1201}, {1176, 1197, 1202}};
    for (int i = 0; i < 4; ++i) {
        pColourGainGrid->addWidget(new QLabel(Text(colourGains[i][0]), pColourGains), i, 0);
        pColourGainGrid->addWidget(Slider(colourGains[i][0], pColourGains), i, 1);
        pColourGainGrid->addWidget(WithId(new QSpinBox(pColourGains), colourGains[i][1]), i, 2);
    }
    pColourGains->setEnabled(false);
    pCameraGrid->addWidget(pColourGains, 4, 0, 1, 3);

    auto* pMirrorRow = new QHBoxLayout;
    pMirrorRow->addWidget(new QLabel(Text(IMAGE_SET_TEXT_MIRROR), pCamera));
    for (int nId : {1169, 1168}) {
        auto* pMirror = WithId(new QCheckBox(Text(nId), pCamera), nId);
        pMirror->setEnabled(false);
        pMirrorRow->addWidget(pMirror);
    }
    pMirrorRow->addStretch(1);
    pCameraGrid->addLayout(pMirrorRow, 5, 0, 1, 3);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk = pButtons->addButton(Text(1), QDialogButtonBox::AcceptRole);
    pOk->setObjectName(QStringLiteral("1"));
    pOk->setDefault(true);
    pButtons->addButton(Text(2), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CImageSetDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CImageSetDlg::reject);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pColour);
    pLeft->addWidget(pOther);
    pLeft->addStretch(1);
    auto* pGrid = new QGridLayout(this);
    pGrid->addLayout(pLeft, 0, 0);
    pGrid->addWidget(pTone, 0, 1);
    pGrid->addWidget(pCamera, 0, 2);
    pGrid->addWidget(pButtons, 1, 0, 1, 3);
    pGrid->setSizeConstraint(QLayout::SetFixedSize);

    // Connected last: showing the start values sends nothing.
    connect(pModes, &QButtonGroup::idToggled, this, [this](int nMode, bool bChecked) {
        if (bChecked)
            m_Rules.OnBayerMode(nMode);
    });
    connect(pIrisModes, &QButtonGroup::idToggled, this, [this](int nMode, bool bChecked) {
        if (bChecked)
            m_Rules.OnAutoIrisMode(nMode);
    });
    for (int i = 0; i < static_cast<int>(EImageSetField::Count); ++i) {
        connect(m_spFields[i], &QSpinBox::valueChanged, this,
                [this, i](int nValue) { m_Rules.OnFieldChanged(static_cast<EImageSetField>(i), nValue); });
    }
}

QSpinBox* CImageSetDlg::AddField(EImageSetField field, int nEditId, const CImageSetStart& start, QSlider* pSlider)
{
    auto* pSpin = WithId(new QSpinBox(this), nEditId);
    pSpin->setRange(start.Range(field).nMin, start.Range(field).nMax);
    pSpin->setValue(start.Value(field));
    pSpin->setFixedWidth(80);
    pSpin->setAlignment(Qt::AlignRight);
    m_spFields[static_cast<int>(field)] = pSpin;
    if (pSlider != nullptr) {
        pSlider->setRange(pSpin->minimum(), pSpin->maximum());
        pSlider->setValue(pSpin->value());
        // Either one moves the other; the edit's change is what acts.
        connect(pSlider, &QSlider::valueChanged, pSpin, &QSpinBox::setValue);
        connect(pSpin, &QSpinBox::valueChanged, pSlider, &QSlider::setValue);
    }
    return pSpin;
}

QAbstractButton* CImageSetDlg::AddCheck(EImageSetCheck check, int nId, bool bTicked)
{
    auto* pBox = WithId(new QCheckBox(Text(nId), this), nId);
    pBox->setChecked(bTicked);
    connect(pBox, &QCheckBox::toggled, this, [this, check](bool bChecked) { m_Rules.OnCheckChanged(check, bChecked); });
    return pBox;
}

void CImageSetDlg::ShowCameraValue(int nControlId, int nValue)
{
    const EImageSetField field = nControlId == CExposureControl::IDC_GLOBAL_GAIN_EDIT ? EImageSetField::GlobalGain
                                 : nControlId == CExposureControl::IDC_EXPOSURE_EDIT  ? EImageSetField::Exposure
                                                                                      : EImageSetField::Count;
    if (field != EImageSetField::Count)
        m_spFields[static_cast<int>(field)]->setValue(nValue);
}

void CImageSetDlg::accept()
{
    m_Rules.Accept(m_spFields[static_cast<int>(EImageSetField::Red)]->value(),
                   m_spFields[static_cast<int>(EImageSetField::Green)]->value(),
                   m_spFields[static_cast<int>(EImageSetField::Blue)]->value());
    QDialog::accept();
}

void CImageSetDlg::reject()
{
    m_Rules.Reject();
    QDialog::reject();
}
