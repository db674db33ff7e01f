#include "app/dialogs/thumbnail_dlg.h"

#include "app/dialogs/thumb_paint.h"
#include "app/res/ui_texts.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFrame>

#include <utility>

namespace {

constexpr int kScrollBarRoom = 35; // kept free at the right for the scroll bar

QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }

QString MenuText(int nId) { return QString::fromUtf8(LoadUiString(nId)); }

} // namespace

CThumbnailDlg::CThumbnailDlg(const CThumbList& thumbs, const QImage& backTile, PictureAction onRemove,
                             PictureAction onTrash, QWidget* pParent)
    : QDialog(pParent), m_Thumbs(thumbs), m_BackTile(backTile), m_OnRemove(std::move(onRemove)),
      m_OnTrash(std::move(onTrash))
{
    setObjectName(QStringLiteral("147"));
    setWindowTitle(MenuText(IDS_THUMBNAIL_TITLE));
    m_sbRows = new QScrollBar(Qt::Vertical, this);
    m_sbRows->setObjectName(QStringLiteral("1071"));
    m_sbRows->setPageStep(2);
    connect(m_sbRows, &QScrollBar::valueChanged, this, [this] { update(); });
    resize(800, 600);
    UpdateScrollRange();
}

int CThumbnailDlg::ScrollPosition() const { return m_sbRows->value(); }

CThumbGrid CThumbnailDlg::Grid() const { return ThumbGridOf(width(), height()); }

void CThumbnailDlg::UpdateScrollRange()
{
    const CGridScrollRange range = GridScrollRange(Grid(), m_Thumbs.Count());
    m_sbRows->setEnabled(range.bEnabled);
    m_sbRows->setRange(0, range.bEnabled ? range.nMax : 0);
}

void CThumbnailDlg::resizeEvent(QResizeEvent* pEvent)
{
    QDialog::resizeEvent(pEvent);
    // The scroll bar keeps its width, at the right edge over the full height.
    const int nBarWidth = m_sbRows->sizeHint().width();
    m_sbRows->setGeometry(width() - nBarWidth, 0, nBarWidth, height());
    UpdateScrollRange();
    update();
}

void CThumbnailDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_BackTile.isNull()) {
        for (int y = 0; y < height(); y += m_BackTile.height()) {
            for (int x = 0; x < width(); x += m_BackTile.width())
                painter.drawImage(x, y, m_BackTile);
        }
    }
    const CThumbGrid grid = Grid();
    const int nScroll = ScrollPosition();
    const int nFirst = nScroll * grid.nColumns;
    for (int i = nFirst; i < nFirst + grid.nColumns * grid.nRows; ++i) {
        const QRect cell = ToQRect(GridCell(grid, nScroll, i));
        // A sunken edge around every cell, filled or not.
        QStyleOptionFrame frame;
        frame.rect = cell.adjusted(-2, -2, 2, 2);
        frame.state = QStyle::State_Sunken;
        frame.lineWidth = 1;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
        if (i < m_Thumbs.Count())
            PaintThumbnail(painter, m_Thumbs.Item(i), i + 1, cell, cell.bottom() + 1 - ThumbLabelHeight());
        else if (!m_BackTile.isNull())
            painter.drawImage(cell.topLeft(), m_BackTile, QRect(0, 0, cell.width(), cell.height()));
    }
}

int CThumbnailDlg::HitTest(const QPoint& point) const
{
    return GridHitTest(Grid(), ScrollPosition(), m_Thumbs.Count(), POINT{point.x(), point.y()});
}

void CThumbnailDlg::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    const int nIndex = HitTest(pEvent->position().toPoint());
    if (pEvent->button() == Qt::LeftButton && nIndex >= 0)
        done(OPEN_RESULT_BASE + nIndex);
}

void CThumbnailDlg::mousePressEvent(QMouseEvent* pEvent)
{
    const int nIndex = HitTest(pEvent->position().toPoint());
    if (pEvent->button() != Qt::RightButton || nIndex < 0) {
        QDialog::mousePressEvent(pEvent);
        return;
    }
    QMenu menu(this);
    QAction* pOpen = menu.addAction(MenuText(ID_THUMB_OPEN));
    QAction* pRemove = menu.addAction(MenuText(ID_THUMB_REMOVE));
    QAction* pTrash = menu.addAction(MenuText(ID_THUMB_TRASH));
    QAction* pChosen = menu.exec(pEvent->globalPosition().toPoint());
    if (pChosen == pOpen) {
        done(OPEN_RESULT_BASE + nIndex);
        return;
    }
    if (pChosen == pRemove)
        m_OnRemove(nIndex);
    else if (pChosen == pTrash)
        m_OnTrash(nIndex);
    else
        return;
    UpdateScrollRange();
    update();
}
