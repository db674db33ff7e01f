// CThumbnailDlg: the thumbnail dialog (template 147): the pictures of the picture folder
// as a scrolling grid over the background tile. A double click, or Open in a picture's
// popup menu, ends it with 1000 + the picture's index; Remove and Trash box act on the
// list at once.
#pragma once

#include "app/files/thumb_list.h"
#include "app/files/thumb_strip.h"

#include <QDialog>
#include <QImage>

#include <functional>

class QScrollBar;

class CThumbnailDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int OPEN_RESULT_BASE = 1000;

    // What a popup menu's Remove or Trash box does to picture n; the window removes the
    // picture and its thumbnail from the list this dialog shows.
    using PictureAction = std::function<void(int nIndex)>;

    CThumbnailDlg(const CThumbList& thumbs, const QImage& backTile, PictureAction onRemove, PictureAction onTrash,
                  QWidget* pParent);

    // The grid's first shown row.
    int ScrollPosition() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    CThumbGrid Grid() const;
    void UpdateScrollRange();
    int HitTest(const QPoint& point) const;

    const CThumbList& m_Thumbs;
    const QImage& m_BackTile;
    PictureAction m_OnRemove;
    PictureAction m_OnTrash;
    QScrollBar* m_sbRows = nullptr; // 1071
};
