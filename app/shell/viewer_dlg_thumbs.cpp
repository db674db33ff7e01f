// The pictures of the picture folder in the main window: the thumbnail strip (painting,
// scrolling, drag-to-scroll, double click, popup menu), THUMB's dialog, DIR, and opening,
// removing or trashing a picture. Thumbnails missing from the folder's cache are made
// off the UI thread and join the strip as they are ready.
#include "app/shell/viewer_dlg.h"

#include "app/dialogs/thumb_paint.h"
#include "app/dialogs/thumbnail_dlg.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/qt_geometry.h"
#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>

#include <unistd.h>

namespace {

RECT StripFrame(const CViewerDlg& dlg) { return ToRect(dlg.GetDlgItem(IDC_STRIP_GROUP)->geometry()); }

} // namespace

void CViewerDlg::RebuildPictureFolder()
{
    const std::string szFolder = m_Settings.Read([](const CViewerSettings& s) { return s.m_szSaveDir; });
    m_Thumbs.ReadCache(ThumbCachePath(szFolder));
    // The scan's rules without its decoding: the pictures the cache lacks are made in
    // the background.
    m_ThumbMaker.Start(m_Thumbs.StartScan(szFolder));
    m_Controls.m_sbStrip->setValue(0);
    UpdateThumbScrollRange();
    GetDlgItem(IDC_STRIP_GROUP)->update();
    update(ToQRect(StripFrame(*this)));
}

void CViewerDlg::LeavePictureFolder(bool bComplete)
{
    // At the end the cache takes every thumbnail, those still being made too; a folder
    // change does not wait for them (the next visit makes the rest).
    if (bComplete)
        m_ThumbMaker.Finish(m_Thumbs);
    else
        m_ThumbMaker.Stop();
    const std::string szFolder = m_Settings.Read([](const CViewerSettings& s) { return s.m_szSaveDir; });
    m_Thumbs.WriteCache(ThumbCachePath(szFolder));
}

void CViewerDlg::OnThumbsChanged()
{
    UpdateThumbScrollRange();
    update(ToQRect(StripFrame(*this)));
}

void CViewerDlg::TakeFinishedThumbnails()
{
    std::vector<CThumbItem> finished = m_ThumbMaker.TakeFinished();
    if (finished.empty())
        return;
    for (CThumbItem& item : finished) {
        if (!m_Thumbs.Contains(item.m_szPath))
            m_Thumbs.Append(std::move(item));
    }
    OnThumbsChanged();
}

void CViewerDlg::PaintStrip(QPainter& painter)
{
    if (!m_bThumbVisible)
        return;
    const RECT rcFrame = StripFrame(*this);
    const int nScroll = m_Controls.m_sbStrip->value();
    const CStripSpan span = StripSpan(rcFrame, nScroll, m_Thumbs.Count());
    painter.save();
    painter.setClipRect(QRect(rcFrame.left + STRIP_LEFT_MARGIN, rcFrame.top,
                              rcFrame.right - rcFrame.left - 2 * STRIP_LEFT_MARGIN, rcFrame.bottom - rcFrame.top));
    for (int i = span.nFirst; i < span.nLast; ++i) {
        const QRect cell = ToQRect(StripCell(rcFrame, nScroll, i));
        PaintThumbnail(painter, m_Thumbs.Item(i), i + 1, cell, rcFrame.top + THUMB_HEIGHT);
        // The tile paints the gap after the thumbnail, and the room after the last one.
        if (!m_Art.m_BackTile.isNull())
            painter.drawImage(cell.topRight() + QPoint(1, 0), m_Art.m_BackTile,
                              QRect(0, 0, THUMB_WIDTH, THUMB_HEIGHT));
    }
    painter.restore();
}

bool CViewerDlg::OnStripMouse(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    if (!m_bThumbVisible)
        return false;
    const int nIndex = StripHitTest(StripFrame(*this), m_Controls.m_sbStrip->value(), m_Thumbs.Count(),
                                    POINT{point.x(), point.y()});
    switch (pEvent->type()) {
    case QEvent::MouseButtonDblClick:
        if (nIndex < 0 || pEvent->button() != Qt::LeftButton)
            return false;
        OpenPicture(nIndex);
        return true;
    case QEvent::MouseButtonPress:
        if (nIndex < 0)
            return false;
        if (pEvent->button() == Qt::RightButton) {
            ShowThumbMenu(nIndex, pEvent->globalPosition().toPoint());
        } else if (pEvent->button() == Qt::LeftButton) {
            m_StripDrag.Begin(point.x());
            setCursor(m_Art.m_PanCursor);
        }
        return true;
    case QEvent::MouseMove:
        if (m_StripDrag.IsActive()) {
            if (const int nStep = m_StripDrag.Move(point.x()))
                m_Controls.m_sbStrip->setValue(m_Controls.m_sbStrip->value() + nStep);
            return true;
        }
        if (nIndex >= 0) {
            setCursor(m_Art.m_PanCursor);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (!m_StripDrag.IsActive() || pEvent->button() != Qt::LeftButton)
            return false;
        m_StripDrag.End();
        unsetCursor();
        return true;
    default:
        return false;
    }
}

void CViewerDlg::ShowThumbMenu(int nIndex, const QPoint& globalPoint)
{
    QMenu menu(this);
    QAction* pOpen = menu.addAction(QString::fromUtf8(LoadUiString(ID_THUMB_OPEN)));
    QAction* pRemove = menu.addAction(QString::fromUtf8(LoadUiString(ID_THUMB_REMOVE)));
    QAction* pTrash = menu.addAction(QString::fromUtf8(LoadUiString(ID_THUMB_TRASH)));
    QAction* pChosen = menu.exec(globalPoint);
    if (pChosen == pOpen)
        OpenPicture(nIndex);
    else if (pChosen == pRemove)
        RemovePicture(nIndex);
    else if (pChosen == pTrash)
        TrashPicture(nIndex);
}

void CViewerDlg::OnThumbnails()
{
    CThumbnailDlg dlg(
        m_Thumbs, m_Art.m_BackTile, [this](int nIndex) { RemovePicture(nIndex); },
        [this](int nIndex) { TrashPicture(nIndex); }, this);
    const int nResult = dlg.exec();
    if (nResult >= CThumbnailDlg::OPEN_RESULT_BASE)
        OpenPicture(nResult - CThumbnailDlg::OPEN_RESULT_BASE);
}

void CViewerDlg::OpenPicture(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_Thumbs.Count())
        return;
    // The live view stops (also when it was stopped), so the picture is the UI's alone.
    m_LiveView.Freeze();
    m_LiveView.LoadShownPicture(m_Thumbs.Item(nIndex).m_szPath.c_str());
    GetDlgItem(IDC_LIVE)->update();
    RecalcLayout();
    update();
}

void CViewerDlg::DropPicture(int nIndex)
{
    m_Thumbs.RemoveAt(nIndex);
    OnThumbsChanged();
}

void CViewerDlg::RemovePicture(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_Thumbs.Count())
        return;
    const std::string szPath = m_Thumbs.Item(nIndex).m_szPath;
    // The thumbnail goes whatever happens to the file; a file that stays comes back at
    // the next visit of the folder.
    if (::unlink(szPath.c_str()) != 0)
        LogLine(ELogCategory::Files, "%s could not be deleted", szPath.c_str());
    DropPicture(nIndex);
}

void CViewerDlg::TrashPicture(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_Thumbs.Count())
        return;
    const QString path = QString::fromStdString(m_Thumbs.Item(nIndex).m_szPath);
    // Qt 6.4 moves a file into "files" of the current folder when the home trash does
    // not exist yet: make sure it does (the freedesktop trash's two folders).
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    QDir().mkpath(trash + QStringLiteral("/files"));
    QDir().mkpath(trash + QStringLiteral("/info"));
    if (!QFile::moveToTrash(path))
        LogLine(ELogCategory::Files, "%s could not be moved to the trash", path.toUtf8().constData());
    DropPicture(nIndex);
}

QString CViewerDlg::BrowseFolder()
{
    const QString title = QString::fromUtf8(LoadUiString(IDS_BROWSE_FOLDER_TITLE));
    QString folder = QString::fromStdString(m_Settings.Read([](const CViewerSettings& s) { return s.m_szSaveDir; }));
    for (;;) {
        folder = QFileDialog::getExistingDirectory(this, title, folder);
        if (folder.isEmpty())
            return folder;
        // Pictures will be saved there: a folder that cannot take them is refused.
        if (::access(folder.toUtf8().constData(), W_OK | X_OK) == 0)
            return folder;
        QMessageBox::warning(this, title, QString::fromUtf8(LoadUiString(IDS_FOLDER_NOT_WRITABLE)));
    }
}

void CViewerDlg::ChangePictureFolder()
{
    const QString folder = BrowseFolder();
    if (folder.isEmpty())
        return;
    SwitchPictureFolder(folder.toStdString());
}

void CViewerDlg::SwitchPictureFolder(const std::string& szFolder)
{
    LeavePictureFolder(false);
    m_Thumbs.RemoveAll();
    m_Settings.Update([&szFolder](CViewerSettings& s) { s.m_szSaveDir = szFolder; });
    RebuildPictureFolder();
}
