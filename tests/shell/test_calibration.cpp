// The calibration choice, the CALIB dialog and the reference rectangle's handles in
// the main window, on Qt's offscreen platform, without a camera.
#include "app/dialogs/calib_dlg.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestCalibration : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        // Entry 0's rectangle is 200 x 100 pixels at the picture's top-left corner.
        QFile ini(m_pSettings->filePath(QStringLiteral("Vexilo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[CALIBRATION]\r\nbottom_0=100\r\n");
        ini.close();
        m_pDlg = std::make_unique<CViewerDlg>(m_Devices, m_pSettings->path().toStdString());
        m_pDlg->OnInitDialog();
        m_pDlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pDlg.get()));
    }
    void cleanup() { m_pDlg.reset(); }

    void calibTwiceKeepsTheOneDialogOnItsEntry()
    {
        Combo()->setCurrentIndex(2);
        Click(IDC_CALIB);
        CCalibDlg* pCalib = Dialog();
        QVERIFY(pCalib->isVisible());
        QCOMPARE(pCalib->Entry(), &m_pDlg->CalibList()[2]);
        QCOMPARE(Field(pCalib, 1119)->text(), QStringLiteral("Data3"));
        Combo()->setCurrentIndex(4);
        Click(IDC_CALIB);
        QCOMPARE(pCalib->Entry(), &m_pDlg->CalibList()[2]);
        QCOMPARE(m_pDlg->findChildren<CCalibDlg*>().size(), 1);
    }

    void okRenamesInPlaceAndStoresTheFactors()
    {
        Click(IDC_CALIB);
        CCalibDlg* pCalib = Dialog();
        Field(pCalib, 1119)->setText(QStringLiteral("Objective 10x"));
        Field(pCalib, 1121)->setText(QStringLiteral("1"));
        Field(pCalib, 1122)->setText(QStringLiteral("1"));
        pCalib->findChild<QComboBox*>(QStringLiteral("1123"))->setCurrentIndex(1); // mm
        QCOMPARE(Field(pCalib, 1140)->text(), QStringLiteral("X = 0.005000, Y = 0.010000 [mm/pix]"));
        Combo()->setCurrentIndex(3); // the handles move on; OK selects the dialog's entry again
        Button(pCalib, 1)->click();

        QVERIFY(!pCalib->isVisible());
        QCOMPARE(Combo()->count(), 10);
        QCOMPARE(Combo()->itemText(0), QStringLiteral("Objective 10x"));
        QCOMPARE(Combo()->currentIndex(), 0);
        const CCalibEntry& entry = m_pDlg->CalibList()[0];
        QCOMPARE(entry.m_nUnit, 1);
        QCOMPARE(entry.m_dMppX, 0.005);
        QCOMPARE(entry.m_dMppY, 0.01);
    }

    void okWithoutANumberSaysSoAndStoresNothing()
    {
        Click(IDC_CALIB);
        CCalibDlg* pCalib = Dialog();
        Field(pCalib, 1119)->setText(QStringLiteral("Renamed"));
        Field(pCalib, 1122)->setText(QStringLiteral("1,5"));
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (pBox != nullptr) {
                shown = pBox->text();
                pBox->accept();
            }
        });
        Button(pCalib, 1)->click();
        QCOMPARE(shown, QStringLiteral("Please enter a number."));
        QVERIFY(pCalib->IsOpen());
        QCOMPARE(QString::fromUtf8(m_pDlg->CalibList()[0].m_szName), QStringLiteral("Data1"));
        QCOMPARE(Combo()->itemText(0), QStringLiteral("Data1"));
    }

    void draggedHandlesMoveTheRectangleAndCancelKeepsItButNotTheFields()
    {
        Click(IDC_CALIB);
        CCalibDlg* pCalib = Dialog();
        Field(pCalib, 1121)->setText(QStringLiteral("20"));
        const QPoint corner = m_pDlg->GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft(); // x1, no scroll
        const CCalibEntry& entry = m_pDlg->CalibList()[0];

        // The view shows the handles: the right one in the line colour (green).
        m_pDlg->repaint();
        const QImage shown = m_pDlg->grab().toImage();
        QCOMPARE(QColor(shown.pixel(corner + QPoint(200, 50))), QColor(0, 255, 0));

        // The right handle, pulled 30 pixels outwards: both edges move.
        QTest::mousePress(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(200, 50));
        QCOMPARE(m_pDlg->cursor().shape(), Qt::SizeHorCursor);
        QTest::mouseMove(m_pDlg.get(), corner + QPoint(230, 50));
        QTest::mouseRelease(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(230, 50));
        QCOMPARE(entry.m_dLeft, -30.0);
        QCOMPARE(entry.m_dRight, 230.0);
        // The info line follows the drag.
        QCOMPARE(Field(pCalib, 1140)->text(), QStringLiteral("X = 0.076923, Y = 0.100000 [cm/pix]"));

        Button(pCalib, 2)->click();
        QVERIFY(!pCalib->IsOpen());
        // The dragged rectangle stays; no field is stored and the factors stay as they were.
        QCOMPARE(entry.m_dRight, 230.0);
        QCOMPARE(entry.m_dLengthX, 10.0);
        QCOMPARE(entry.m_dMppX, 0.05);

        // With the dialog closed there are no handles: the press is an ordinary one.
        QTest::mousePress(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(230, 50));
        QTest::mouseMove(m_pDlg.get(), corner + QPoint(250, 50));
        QTest::mouseRelease(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(250, 50));
        QCOMPARE(entry.m_dRight, 230.0);
    }

private:
    QComboBox* Combo() const { return qobject_cast<QComboBox*>(m_pDlg->GetDlgItem(IDC_CALIB_COMBO)); }
    void Click(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }
    CCalibDlg* Dialog() const { return m_pDlg->findChild<CCalibDlg*>(); }
    static QLineEdit* Field(CCalibDlg* pCalib, int nId)
    {
        return pCalib->findChild<QLineEdit*>(QString::number(nId));
    }
    static QAbstractButton* Button(CCalibDlg* pCalib, int nId)
    {
        return pCalib->findChild<QAbstractButton*>(QString::number(nId));
    }

    CDeviceNamespace m_Devices; // no camera: a black 640 x 480 picture
    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CViewerDlg> m_pDlg;
};

QTEST_MAIN(TestCalibration)
#include "test_calibration.moc"
