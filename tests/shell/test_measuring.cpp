// Measuring in the window with real mouse events, on a frozen picture of the simulated
// camera, on Qt's offscreen platform.
#include "app/res/ui_texts.h"
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestMeasuring : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pCameras = std::make_unique<CCameraBackend>(ECameraBackendKind::Simulated);
        m_pDlg = std::make_unique<CViewerDlg>(m_pCameras->Devices(), m_pSettings->path().toStdString());
        m_pDlg->OnInitDialog();
        m_pDlg->resize(1100, 800);
        m_pDlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pDlg.get()));
        QTRY_VERIFY_WITH_TIMEOUT(m_pDlg->LiveView().ShownFrameCount() >= 1, 5000);
        m_pDlg->OnLive(); // freeze: the picture stays for measuring
        QVERIFY(m_pDlg->LiveView().IsFrozen());
        m_Corner = m_pDlg->GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
    }
    void cleanup()
    {
        m_pDlg.reset();
        m_pCameras.reset();
    }

    void everyToolMakesItsRowsAndItsLinesShow()
    {
        // Default calibration: 0.05 cm per pixel; the view shows the picture at x1.
        Tool(IDC_LINE);
        Press(Qt::LeftButton, 100, 100);
        Release(Qt::LeftButton, 300, 100);
        Tool(IDC_ARIA);
        for (QPoint p : {QPoint(400, 50), QPoint(440, 50), QPoint(440, 90)})
            Click(Qt::LeftButton, p.x(), p.y());
        DoubleClick(420, 90);
        Tool(IDC_CIRCLE);
        for (QPoint p : {QPoint(80, 300), QPoint(100, 280), QPoint(120, 300)})
            Click(Qt::LeftButton, p.x(), p.y());
        Tool(IDC_CIRCLE2);
        for (QPoint p : {QPoint(200, 300), QPoint(210, 290), QPoint(220, 300), QPoint(300, 300), QPoint(320, 280),
                         QPoint(340, 300)})
            Click(Qt::LeftButton, p.x(), p.y());
        Tool(IDC_SUI);
        for (QPoint p : {QPoint(500, 200), QPoint(600, 200), QPoint(520, 240), QPoint(560, 180)})
            Click(Qt::LeftButton, p.x(), p.y());
        Click(Qt::RightButton, 5, 470); // ends the perpendicular tool
        Tool(IDC_ANGLE);
        for (QPoint p : {QPoint(150, 400), QPoint(100, 400), QPoint(100, 350)})
            Click(Qt::LeftButton, p.x(), p.y());

        const QStringList expected = {
            "0 Length 10.00 cm",           "1 Polygon area 3.20 cm2",    "2 Circle diameter 2.00 cm",
            "3 Circle diameter 1.00 cm",   "4 Circle diameter 2.00 cm",  "5 Circle distance 5.50 cm",
            "6 Length 2.00 cm",            "7 Length 1.00 cm",           "8 Angle 90.0 degree",
        };
        QCOMPARE(Rows(), expected);

        // The lines show over the picture in the line colour (green) ...
        const QColor green(0, 255, 0);
        QCOMPARE(PixelAt(150, 100), green);
        QCOMPARE(PixelAt(100, 380), green); // the angle's vertical arm
        // ... and follow the picture at x4 (the view is scrolled to its top-left corner).
        qobject_cast<QComboBox*>(m_pDlg->GetDlgItem(IDC_ZOOM))->setCurrentIndex(3);
        QCOMPARE(m_pDlg->LiveView().View().offsets.x, 0.0);
        QCOMPARE(PixelAt(4 * 150, 4 * 100), green);
        QVERIFY(PixelAt(4 * 150, 4 * 100 + 2) != green); // one pixel wide

        // DELETE on the middle row of the two circles takes their three rows.
        auto* pList = qobject_cast<QTableWidget*>(m_pDlg->GetDlgItem(IDC_RESULTS));
        pList->selectRow(4);
        Tool(IDC_DELETE);
        QCOMPARE(Rows(), QStringList({"0 Length 10.00 cm", "1 Polygon area 3.20 cm2", "2 Circle diameter 2.00 cm",
                                      "3 Length 2.00 cm", "4 Length 1.00 cm", "5 Angle 90.0 degree"}));
        QCOMPARE(m_pDlg->MeasureList().Count(), 6);
        Tool(IDC_CLEAR);
        QCOMPARE(Rows(), QStringList());
        QCOMPARE(m_pDlg->MeasureList().Count(), 0);
    }

    void aRightDragMovesAPointAndAnotherCalibrationChangesEveryRow()
    {
        Tool(IDC_LINE);
        Press(Qt::LeftButton, 100, 100);
        Release(Qt::LeftButton, 300, 100);
        QCOMPARE(Rows().first(), QStringLiteral("0 Length 10.00 cm"));

        Press(Qt::RightButton, 300, 100);
        QCOMPARE(m_pDlg->cursor().shape(), Qt::SizeAllCursor);
        Move(400, 100);
        Release(Qt::RightButton, 400, 100);
        QCOMPARE(Rows().first(), QStringLiteral("0 Length 15.00 cm"));

        // Hovering over the moved end shows that it can be taken.
        Move(402, 101);
        QCOMPARE(m_pDlg->cursor().shape(), Qt::SizeAllCursor);
        Move(250, 250);
        QCOMPARE(m_pDlg->cursor().shape(), Qt::ArrowCursor);

        // Entry 0 becomes 1 mm over its 200-pixel rectangle: the row follows at OK.
        Tool(IDC_CALIB);
        auto* pCalib = m_pDlg->findChild<QDialog*>(QStringLiteral("139"));
        QVERIFY(pCalib != nullptr);
        pCalib->findChild<QLineEdit*>(QStringLiteral("1121"))->setText(QStringLiteral("1"));
        pCalib->findChild<QComboBox*>(QStringLiteral("1123"))->setCurrentIndex(1);
        pCalib->findChild<QAbstractButton*>(QStringLiteral("1"))->click();
        QTRY_COMPARE(Rows().first(), QStringLiteral("0 Length 1.500 mm"));
    }

private:
    QPoint At(int x, int y) const { return m_Corner + QPoint(x, y); }
    void Tool(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }
    void Press(Qt::MouseButton button, int x, int y) const
    {
        QTest::mousePress(m_pDlg.get(), button, Qt::NoModifier, At(x, y));
    }
    void Release(Qt::MouseButton button, int x, int y) const
    {
        QTest::mouseRelease(m_pDlg.get(), button, Qt::NoModifier, At(x, y));
    }
    void Move(int x, int y) const { QTest::mouseMove(m_pDlg.get(), At(x, y)); }
    void Click(Qt::MouseButton button, int x, int y) const
    {
        Press(button, x, y);
        Release(button, x, y);
    }
    // Press, release, double click and release, as the window system sends them.
    void DoubleClick(int x, int y) const
    {
        Click(Qt::LeftButton, x, y);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(At(x, y)), m_pDlg->mapToGlobal(QPointF(At(x, y))),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pDlg.get(), &dbl);
        Release(Qt::LeftButton, x, y);
    }
    QStringList Rows() const
    {
        auto* pList = qobject_cast<QTableWidget*>(m_pDlg->GetDlgItem(IDC_RESULTS));
        QStringList rows;
        for (int i = 0; i < pList->rowCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << pList->item(i, c)->text();
            rows << cells.join(' ');
        }
        return rows;
    }
    QColor PixelAt(int x, int y) const
    {
        m_pDlg->repaint();
        return QColor(m_pDlg->grab().toImage().pixel(At(x, y)));
    }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CCameraBackend> m_pCameras;
    std::unique_ptr<CViewerDlg> m_pDlg;
    QPoint m_Corner;
};

QTEST_MAIN(TestMeasuring)
#include "test_measuring.moc"
