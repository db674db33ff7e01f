// The panel's COLOR, Scale and CSV buttons in the main window, on Qt's offscreen
// platform, without a camera (a black 640 x 480 picture at x1).
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"
#include "tests/shell/window_test_support.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

class TestPanelDialogs : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pDlg = std::make_unique<CViewerDlg>(m_Devices, m_pSettings->path().toStdString());
        m_pDlg->OnInitDialog();
        m_pDlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pDlg.get()));
        m_pDlg->OnLive(); // frozen: the view shows the (black) picture
        m_Corner = m_pDlg->GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
    }
    void cleanup() { m_pDlg.reset(); }

    void aRedLineColourIsShownAndSaved()
    {
        // COLOR, the line swatch, red in the chooser, then OK.
        WhenModal<QDialog>([](QDialog* pColors) {
            WhenModal<QColorDialog>([pColors](QColorDialog* pChooser) {
                pChooser->setCurrentColor(Qt::red);
                QMetaObject::invokeMethod(pChooser, "accept");
                QTimer::singleShot(0, pColors, [pColors] {
                    pColors->findChild<QAbstractButton*>(QStringLiteral("1"))->click();
                });
            });
            QWidget* pSwatch = pColors->findChild<QWidget*>(QStringLiteral("1023"));
            QTest::mouseClick(pSwatch, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        });
        Click(IDC_COLOR);
        QCOMPARE(m_pDlg->Settings().m_clrLine, COLORREF{255});

        // The scale bar, shown from its dialog, is drawn in it: 10 cm at 0.05 cm per
        // pixel from x 390 to 590 at y 430.
        Click(IDC_SCALE);
        auto* pScale = m_pDlg->findChild<QDialog*>(QStringLiteral("158"));
        QVERIFY(pScale != nullptr);
        pScale->findChild<QCheckBox*>(QStringLiteral("1205"))->click();
        QVERIFY(m_pDlg->Settings().m_ScaleData.Visible != 0);
        m_pDlg->repaint();
        QCOMPARE(QColor(m_pDlg->grab().toImage().pixel(m_Corner + QPoint(500, 430))), QColor(Qt::red));
        pScale->findChild<QAbstractButton*>(QStringLiteral("1"))->click();

        QVERIFY(m_pDlg->close());
        QSettings written(m_pSettings->filePath(QStringLiteral("Vexilo.ini")), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("Vexilo/color.line")).toInt(), 255);
        QCOMPARE(written.value(QStringLiteral("Vexilo/m_ScaleData.Visible")).toInt(), 1);
    }

    void anExportThatCannotBeWrittenSaysSoAndWritesNothing()
    {
        // A file stands where the folder should be: nothing can be created in it.
        const QString blocked = m_pSettings->filePath(QStringLiteral("blocked"));
        QFile block(blocked);
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        const QString target = blocked + QStringLiteral("/results.csv");

        QString message;
        WhenModal<QFileDialog>([target, &message](QFileDialog* pChooser) {
            WhenModal<QMessageBox>([&message](QMessageBox* pBox) {
                message = pBox->text();
                pBox->accept();
            });
            pChooser->selectFile(target);
            QMetaObject::invokeMethod(pChooser, "accept");
        });
        Click(IDC_CSV);
        QTRY_VERIFY(!message.isEmpty());
        QVERIFY2(message.startsWith(QStringLiteral("The results were not saved.")), qPrintable(message));
        QVERIFY(!QFile::exists(target));
        QVERIFY(QFileInfo(blocked).isFile());
        QVERIFY(QFileInfo(m_pSettings->filePath(QStringLiteral("result"))).isDir()); // the default folder is made
    }

private:
    void Click(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }

    CDeviceNamespace m_Devices;
    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CViewerDlg> m_pDlg;
    QPoint m_Corner;
};

QTEST_MAIN(TestPanelDialogs)
#include "test_panel_dialogs.moc"
