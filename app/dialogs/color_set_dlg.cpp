#include "app/dialogs/color_set_dlg.h"

#include "app/res/ui_texts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <utility>

// A plain frame filled with one colour; a left release inside it asks for another.
class CColorSwatch : public QWidget {
public:
    CColorSwatch(int nId, COLORREF color, std::function<void()> onClick, QWidget* pParent)
        : QWidget(pParent), m_Color(color), m_OnClick(std::move(onClick))
    {
        setObjectName(QString::number(nId));
        setFixedSize(30, 23); // 20 x 14 dialog units
    }
    void SetColor(COLORREF color)
    {
        m_Color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(GetRValue(m_Color), GetGValue(m_Color), GetBValue(m_Color)));
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mouseReleaseEvent(QMouseEvent* pEvent) override
    {
        if (pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint()))
            m_OnClick();
    }

private:
    COLORREF m_Color;
    std::function<void()> m_OnClick;
};

namespace {

QString Text(int nId) { return QString::fromUtf8(ColorDialogText(nId)); }

} // namespace

CColorSetDlg::CColorSetDlg(QWidget* pParent, COLORREF clrLine, COLORREF clrText,
                           std::function<void(COLORREF, COLORREF)> onChange)
    : QDialog(pParent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_clrLine(clrLine), m_clrText(clrText),
      m_OnChange(std::move(onChange))
{
    setObjectName(QStringLiteral("136"));
    setWindowTitle(Text(0));
    m_pLineSwatch = new CColorSwatch(1023, m_clrLine, [this] { Choose(m_clrLine, m_pLineSwatch); }, this);
    m_pTextSwatch = new CColorSwatch(1024, m_clrText, [this] { Choose(m_clrText, m_pTextSwatch); }, this);
    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk = pButtons->addButton(Text(1), QDialogButtonBox::AcceptRole);
    pOk->setObjectName(QStringLiteral("1"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CColorSetDlg::accept);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(m_pLineSwatch, 0, 0);
    pLayout->addWidget(new QLabel(Text(1023), this), 0, 1);
    pLayout->addWidget(m_pTextSwatch, 1, 0);
    pLayout->addWidget(new QLabel(Text(1024), this), 1, 1);
    pLayout->addWidget(pButtons, 2, 0, 1, 2);
}

void CColorSetDlg::Choose(COLORREF& color, CColorSwatch* pSwatch)
{
    const QColor chosen =
        QColorDialog::getColor(QColor(GetRValue(color), GetGValue(color), GetBValue(color)), this);
    if (!chosen.isValid())
        return;
    color = RGB(chosen.red(), chosen.green(), chosen.blue());
    pSwatch->SetColor(color);
    m_OnChange(m_clrLine, m_clrText);
}
