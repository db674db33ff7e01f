// Widget tests of the main window on Qt's offscreen platform.
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Answers the next modal message box with the button of the given role, and
// remembers its text.
class CMessageBoxAnswer {
public:
    explicit CMessageBoxAnswer(QMessageBox::StandardButton answer)
    {
        QTimer::singleShot(0, [this, answer] { Answer(answer); });
    }
    QString m_Title;
    QString m_Text;
    bool m_bSeen = false;

private:
    void Answer(QMessageBox::StandardButton answer)
    {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox == nullptr) {
            QTimer::singleShot(10, [this, answer] { Answer(answer); });
            return;
        }
        m_bSeen = true;
        m_Title = pBox->windowTitle();
        m_Text = pBox->text();
        pBox->button(answer)->click();
    }
};

void WaitForTicks(CViewerDlg& dlg)
{
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromStdString(dlg.LiveView().TitleText()) == dlg.windowTitle(), 3000);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { g_bJapanese = 0; }

    void everyControlExistsWithEnglishCaptions()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        for (const CControlTemplate& control : MainWindowTemplate()) {
            QWidget* pWidget = dlg.GetDlgItem(control.nId);
            QVERIFY2(pWidget != nullptr, qPrintable(QString::number(control.nId)));
            QCOMPARE(pWidget->objectName(), QString::number(control.nId));
            QVERIFY(pWidget->toolTip().isEmpty());
        }
        QCOMPARE(qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_LIVE))->text(), QStringLiteral("LIVE"));
        QCOMPARE(qobject_cast<QGroupBox*>(dlg.GetDlgItem(IDC_LOAD_GROUP))->title(), QStringLiteral("Load image"));
        QCOMPARE(qobject_cast<QLabel*>(dlg.GetDlgItem(IDC_CALIB_LABEL))->text(), QStringLiteral("Calibration value"));
        auto* pZoom = qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM));
        QCOMPARE(pZoom->count(), 6);
        QCOMPARE(pZoom->currentText(), QStringLiteral("x1"));
        auto* pCalib = qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_CALIB_COMBO));
        QCOMPARE(pCalib->count(), 10);
        QCOMPARE(pCalib->itemText(9), QStringLiteral("Data10"));
        QCOMPARE(pCalib->currentIndex(), 0);
        auto* pList = qobject_cast<QTableWidget*>(dlg.GetDlgItem(IDC_RESULTS));
        QCOMPARE(pList->columnCount(), 4);
        QCOMPARE(pList->horizontalHeaderItem(0)->text(), QStringLiteral("No."));
        QCOMPARE(pList->horizontalHeaderItem(2)->text(), QStringLiteral("Result"));
        QCOMPARE(pList->columnWidth(1), 60);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Vexilo Version 1.510"));
        QVERIFY2(!dlg.GetDlgItem(IDC_STRIP_SCROLL)->isVisibleTo(&dlg), "no thumbnails: no scroll bar");
    }

    void japaneseCaptionsAndTooltips()
    {
        g_bJapanese = 1;
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        QCOMPARE(qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_LIVE))->text(), QStringLiteral("ライブ映像"));
        QCOMPARE(qobject_cast<QGroupBox*>(dlg.GetDlgItem(IDC_TOOL_GROUP))->title(), QStringLiteral("計測"));
        QCOMPARE(qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->itemText(0), QStringLiteral("全画面表示"));
        QCOMPARE(qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_CALIB_COMBO))->itemText(0), QStringLiteral("校正値1"));
        QCOMPARE(dlg.GetDlgItem(IDC_LIVE)->toolTip(), QStringLiteral("カメラ映像の表示／非表示を切り替えます"));
        QCOMPARE(dlg.GetDlgItem(IDC_ZOOM)->toolTip(), QStringLiteral("表示倍率を変更します"));
        QCOMPARE(dlg.GetDlgItem(IDC_SCALE)->toolTip(), QStringLiteral("スケールの設定をします"));
        const int nTipped[] = {1130, 1087, 1088, 1132, 1131, 1133, 1122, 1099, 1018, 1113, 1114,
                               1115, 1120, 1121, 1119, 1116, 1117, 1127, 1124, 1128, 1125, 1118};
        for (int nId : nTipped)
            QVERIFY2(!dlg.GetDlgItem(nId)->toolTip().isEmpty(), qPrintable(QString::number(nId)));
        QVERIFY(dlg.GetDlgItem(IDC_CALIB_LABEL)->toolTip().isEmpty());
    }

    void startUpCreatesFramesAndRunsTheDisplayThread()
    {
        CViewerDlg dlg(m_Devices, Folder());
        QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
        dlg.OnInitDialog();
        QVERIFY(dlg.LiveView().IsDisplayThreadRunning());
        QCOMPARE(dlg.LiveView().CaptureState(), ECaptureState::Running);
        QCOMPARE(dlg.LiveView().RawImage().Width(), 640);
        QCOMPARE(dlg.LiveView().RawImage().Height(), 480);
        QCOMPARE(int(dlg.LiveView().RawImage().BitCount()), 8);
        QCOMPARE(int(dlg.LiveView().ColorImage().BitCount()), 24);
        dlg.show();
        WaitForTicks(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Vexilo Version 1.510  Capture Time 0 GetImage Time 0  "
                                                   "ShowImage Time 0  Frame per Second 0.0"));
    }

    void buttonFacesComeFromThePanelPicture()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.show();
        QWidget* pLive = dlg.GetDlgItem(IDC_LIVE);
        QWidget* pSave = dlg.GetDlgItem(IDC_SAVE);
        const QImage live = pLive->grab().toImage();
        const QImage save = pSave->grab().toImage();
        QCOMPARE(live.size(), QSize(50, 53));
        QVERIFY(live != save);
    }

    void englishWindowClosesAtOnceAndShutsDown()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.show();
        WaitForTicks(dlg);
        QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
        QVERIFY(IniExists());
        QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
        QCOMPARE(dlg.LiveView().CaptureState(), ECaptureState::Leave);
    }

    void japaneseCloseAsksAndNoKeepsTheWindow()
    {
        g_bJapanese = 1;
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.show();
        {
            CMessageBoxAnswer answer(QMessageBox::No);
            QVERIFY(!dlg.close());
            QVERIFY(answer.m_bSeen);
            QCOMPARE(answer.m_Title, QStringLiteral("終了確認"));
            QCOMPARE(answer.m_Text, QStringLiteral("終了しますか？"));
        }
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.LiveView().IsDisplayThreadRunning());
        QVERIFY2(!IniExists(), "the settings are written only at exit");
        {
            // Escape goes the same way as the close box.
            CMessageBoxAnswer answer(QMessageBox::No);
            QTest::keyClick(&dlg, Qt::Key_Escape);
            QVERIFY(answer.m_bSeen);
            QVERIFY(dlg.isVisible());
        }
        {
            CMessageBoxAnswer answer(QMessageBox::Yes);
            QVERIFY(dlg.close());
            QVERIFY(answer.m_bSeen);
        }
        QVERIFY(!dlg.isVisible());
        QVERIFY(IniExists());
        QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
    }

    void settingsAreReadAtStartAndWrittenAtExit()
    {
        {
            QFile ini(m_pSettings->filePath(QStringLiteral("Vexilo.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Vexilo]\r\nm_Bai=3\r\nEH=320\r\nEV=240\r\nWindow_Left=40\r\nWindow_Top=30\r\n"
                      "Window_Right=1040\r\nWindow_Bottom=780\r\n[CALIBRATION]\r\nname_0=Objective\r\n");
        }
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        QCOMPARE(qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->currentIndex(), 3);
        QCOMPARE(dlg.LiveView().RawImage().Width(), 320);
        QCOMPARE(dlg.LiveView().ColorImage().Height(), 240);
        QCOMPARE(qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_CALIB_COMBO))->itemText(0), QStringLiteral("Objective"));
        dlg.show();
        QCOMPARE(dlg.geometry(), QRect(40, 30, 1000, 750));
        qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->setCurrentIndex(2);
        QVERIFY(dlg.close());

        const QString iniPath = m_pSettings->filePath(QStringLiteral("Vexilo.ini"));
        QSettings written(iniPath, QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("Vexilo/m_Bai")).toInt(), 2);
        QCOMPARE(written.value(QStringLiteral("Vexilo/EH")).toInt(), 320);
        QCOMPARE(written.value(QStringLiteral("Vexilo/Window_Right")).toInt(), 1040);
        QCOMPARE(written.value(QStringLiteral("Vexilo/savedir")).toString(), m_pSettings->filePath(QStringLiteral("bmp")));
        QCOMPARE(written.value(QStringLiteral("CALIBRATION/name_0")).toString(), QStringLiteral("Objective"));
    }

    void panelAndStripTogglesHideTheirControlsAndGiveTheViewRoom()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.resize(1100, 900);
        qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->setCurrentIndex(5); // x16: the view takes all room
        dlg.show();
        QWidget* pFrame = dlg.GetDlgItem(IDC_VIEW_FRAME);
        QCOMPARE(pFrame->width(), 1100 - 228);
        QCOMPARE(pFrame->height(), 900 - 175);
        QCOMPARE(dlg.GetDlgItem(IDC_LIVE)->geometry().right() + 1, 1100 - 143);
        QCOMPARE(dlg.GetDlgItem(IDC_RESULTS)->geometry().bottom() + 1, 900 - 12);

        qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_PANEL_TOGGLE))->click();
        QVERIFY(!dlg.GetDlgItem(IDC_LIVE)->isVisible());
        QVERIFY(!dlg.GetDlgItem(IDC_RESULTS)->isVisible());
        QVERIFY(dlg.GetDlgItem(IDC_PANEL_TOGGLE)->isVisible());
        QCOMPARE(pFrame->width(), 1100 - 24);
        qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_STRIP_TOGGLE))->click();
        QVERIFY(!dlg.GetDlgItem(IDC_STRIP_GROUP)->isVisible());
        QCOMPARE(pFrame->height(), 900 - 20);
        qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_PANEL_TOGGLE))->click();
        QVERIFY(dlg.GetDlgItem(IDC_LIVE)->isVisible());
        QCOMPARE(pFrame->width(), 1100 - 228);

        dlg.resize(1300, 700);
        QCOMPARE(dlg.GetDlgItem(IDC_LIVE)->geometry().right() + 1, 1300 - 143);
        QCOMPARE(dlg.GetDlgItem(IDC_STRIP_TOGGLE)->geometry().bottom() + 1, 700);
    }

    void leftDragPansAMagnifiedViewWithinThePicture()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.show();
        qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->setCurrentIndex(3); // x4
        const QPoint corner = dlg.GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
        QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, corner + QPoint(100, 100));
        QTest::mouseMove(&dlg, corner + QPoint(60, 80));
        QCOMPARE(dlg.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(dlg.LiveView().View().offsets.x, double((corner.x() + 60) / 4 - (corner.x() + 100) / 4));
        QCOMPARE(dlg.LiveView().View().offsets.y, double((corner.y() + 80) / 4 - (corner.y() + 100) / 4));
        QTest::mouseMove(&dlg, corner + QPoint(600, 470));
        QCOMPARE(dlg.LiveView().View().offsets.x, 0.0); // clamped at the picture's left edge
        QCOMPARE(dlg.LiveView().View().offsets.y, 0.0);
        QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, corner + QPoint(600, 470));
        QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);

        // Fitted, a drag does not pan.
        qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_ZOOM))->setCurrentIndex(0);
        QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, corner + QPoint(100, 100));
        QTest::mouseMove(&dlg, corner + QPoint(10, 10));
        QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, corner + QPoint(10, 10));
    }

    void whiteBalanceButtonTogglesTheRequest()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        auto* pWb = qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_WB));
        QCOMPARE(dlg.Settings().m_WB_Flg, 0);
        pWb->click();
        QCOMPARE(dlg.Settings().m_WB_Flg, 1);
        pWb->click();
        QCOMPARE(dlg.Settings().m_WB_Flg, 0); // pressing again withdraws it
    }

    void freezingWithoutACameraCompletesAtOnce()
    {
        CViewerDlg dlg(m_Devices, Folder());
        dlg.OnInitDialog();
        dlg.show();
        qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_LIVE))->click();
        QVERIFY(dlg.LiveView().IsFrozen());
        QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
        qobject_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_LIVE))->click();
        QVERIFY(!dlg.LiveView().IsFrozen());
        QVERIFY(dlg.LiveView().IsDisplayThreadRunning());
    }

    void destroyingAnOpenWindowJoinsTheDisplayThread()
    {
        auto pDlg = std::make_unique<CViewerDlg>(m_Devices, Folder());
        pDlg->OnInitDialog();
        QVERIFY(pDlg->LiveView().IsDisplayThreadRunning());
        pDlg.reset(); // must not leave a thread running on freed members
    }

private:
    std::string Folder() const { return m_pSettings->path().toStdString(); }
    bool IniExists() const { return QFile::exists(m_pSettings->filePath(QStringLiteral("Vexilo.ini"))); }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    CDeviceNamespace m_Devices; // no camera
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
