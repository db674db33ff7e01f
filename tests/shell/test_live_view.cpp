// The live view with the simulated camera, on Qt's offscreen platform.
#include "app/shell/core/camera_backend.h"
#include "app/dialogs/dib_qimage.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

class TestLiveView : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pCameras = std::make_unique<CCameraBackend>(ECameraBackendKind::Simulated);
    }
    void cleanup() { m_pCameras.reset(); }

    void framesArriveAndFreezeKeepsTheLastOne()
    {
        CViewerDlg dlg(m_pCameras->Devices(), Folder());
        dlg.OnInitDialog();
        dlg.show();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.LiveView().ShownFrameCount() >= 3, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.windowTitle().contains(QStringLiteral("Frame per Second")), 3000);

        dlg.OnLive(); // freeze
        QVERIFY(dlg.LiveView().IsFrozen());
        QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
        const std::uint64_t nFrozenAt = dlg.LiveView().ShownFrameCount();
        QTest::qWait(300);
        QCOMPARE(dlg.LiveView().ShownFrameCount(), nFrozenAt);

        // At x1 the view shows exactly the frozen picture's pixels.
        const QRect rcView = dlg.GetDlgItem(IDC_VIEW_FRAME)->geometry();
        QCOMPARE(rcView.size(), QSize(640, 480));
        const QImage shown = dlg.grab(rcView).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage picture = DibToQImage(dlg.LiveView().RawImage()).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, picture);

        dlg.OnLive(); // resume with a new display thread
        QVERIFY(!dlg.LiveView().IsFrozen());
        QVERIFY(dlg.LiveView().IsDisplayThreadRunning());
        QTRY_VERIFY_WITH_TIMEOUT(dlg.LiveView().ShownFrameCount() > nFrozenAt, 5000);
    }

    void closingWhileLiveEndsTheThreadAndSavesTheSettings()
    {
        {
            CViewerDlg dlg(m_pCameras->Devices(), Folder());
            dlg.OnInitDialog();
            dlg.show();
            QTRY_VERIFY_WITH_TIMEOUT(dlg.LiveView().ShownFrameCount() >= 1, 5000);
            QVERIFY(dlg.close());
            QVERIFY(!dlg.LiveView().IsDisplayThreadRunning());
        }
        QVERIFY(QFile::exists(m_pSettings->filePath(QStringLiteral("Vexilo.ini"))));
    }

    void refusedCaptureWindowFallsBackToTheFullWindow()
    {
        QFile ini(m_pSettings->filePath(QStringLiteral("Vexilo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Vexilo]\r\nEH=700\r\nEV=100\r\n");
        ini.close();
        CViewerDlg dlg(m_pCameras->Devices(), Folder());
        dlg.OnInitDialog();
        QCOMPARE(dlg.LiveView().RawImage().Width(), 640);
        QCOMPARE(dlg.LiveView().RawImage().Height(), 480);
        dlg.show();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.LiveView().ShownFrameCount() >= 1, 5000);
    }

    void whiteBalanceRequestIsServedOnAColourFrame()
    {
        QFile ini(m_pSettings->filePath(QStringLiteral("Vexilo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Vexilo]\r\nm_BayerFlg=1\r\n");
        ini.close();
        CViewerDlg dlg(m_pCameras->Devices(), Folder());
        dlg.OnInitDialog();
        dlg.show();
        dlg.OnWhiteBalance();
        QTRY_COMPARE_WITH_TIMEOUT(dlg.Settings().m_WB_Flg, 0, 5000);
        QVERIFY(dlg.Settings().m_BayerR > 0.0);
        QVERIFY(dlg.Settings().m_BayerR <= 2.0);
    }

    void anUnpluggedCameraShowsARateOfZeroInTheTitle()
    {
        CViewerDlg dlg(m_pCameras->Devices(), Folder());
        dlg.OnInitDialog();
        dlg.show();
        const QString live = QStringLiteral("Frame per Second ");
        QTRY_VERIFY_WITH_TIMEOUT(dlg.windowTitle().contains(live) && !dlg.windowTitle().endsWith(live + "0.0"), 5000);
        m_pCameras->SimulatedCameras().front().Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.windowTitle().endsWith(live + "0.0"), 3000);
    }

private:
    std::string Folder() const { return m_pSettings->path().toStdString(); }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CCameraBackend> m_pCameras;
};

QTEST_MAIN(TestLiveView)
#include "test_live_view.moc"
