// Measurements entered into the main window with mouse events, as a user enters them:
// the dozen the live-view benchmarks draw over the picture.
#pragma once

#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace bench {

inline void Click(CViewerDlg& dlg, const QPoint& point)
{
    QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, point);
}

// Thirteen measurements: four lengths, two polygons, two circles, two two-circle items
// (lines, arcs and three labels each), two perpendiculars on one base line and an angle.
inline void EnterDozen(CViewerDlg& dlg)
{
    const QPoint corner = dlg.GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
    auto tool = [&dlg](int nId) { qobject_cast<QAbstractButton*>(dlg.GetDlgItem(nId))->click(); };
    auto at = [&corner](int x, int y) { return corner + QPoint(x, y); };
    for (int i = 0; i < 4; ++i) {
        tool(IDC_LINE);
        QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, at(40, 40 + 30 * i));
        QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, at(240, 60 + 30 * i));
    }
    for (int i = 0; i < 2; ++i) {
        tool(IDC_ARIA);
        for (QPoint p : {at(300 + 120 * i, 40), at(400 + 120 * i, 50), at(380 + 120 * i, 140), at(310 + 120 * i, 120)})
            Click(dlg, p);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at(310 + 120 * i, 120)),
                        dlg.mapToGlobal(QPointF(at(310 + 120 * i, 120))), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(&dlg, &dbl);
    }
    for (int i = 0; i < 2; ++i) {
        tool(IDC_CIRCLE);
        for (QPoint p : {at(60 + 150 * i, 250), at(100 + 150 * i, 210), at(140 + 150 * i, 250)})
            Click(dlg, p);
        tool(IDC_CIRCLE2);
        for (QPoint p : {at(60 + 150 * i, 350), at(80 + 150 * i, 330), at(100 + 150 * i, 350),
                         at(120 + 150 * i, 420), at(140 + 150 * i, 400), at(160 + 150 * i, 420)})
            Click(dlg, p);
    }
    tool(IDC_SUI);
    for (QPoint p : {at(350, 300), at(600, 320), at(400, 360), at(500, 260)})
        Click(dlg, p);
    QTest::mouseClick(&dlg, Qt::RightButton, Qt::NoModifier, at(630, 470));
    tool(IDC_ANGLE);
    for (QPoint p : {at(550, 450), at(450, 440), at(500, 380)})
        Click(dlg, p);
}

} // namespace bench
