// The image setting dialog in the window, on the simulated camera and Qt's offscreen
// platform: SET while live opens it, its controls act on the next frames, OK and
// CANCEL, and the automatic exposure showing its values in it.
#include "app/dialogs/image_set_dlg.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"
#include "tests/shell/window_test_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

constexpr int REG_GLOBAL_GAIN = 0x35;
constexpr int REG_EXPOSURE = 0x09;

// Frames shown after a register change before the picture must show it: the frame being
// rendered when the value arrived, then the first one made with it. Under the thread
// sanitizer the display thread runs a frame behind the camera, so a frame completed
// before the change may still be waiting in the ring.
#if defined(__SANITIZE_THREAD__)
constexpr std::uint64_t FRAMES_TO_SHOW_A_CHANGE = 3;
#else
constexpr std::uint64_t FRAMES_TO_SHOW_A_CHANGE = 2;
#endif

// Mean grey level of a widget's area as it is painted.
double MeanLevel(const QImage& image)
{
    double dSum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dSum += qGray(image.pixel(x, y));
    return dSum / (static_cast<double>(image.width()) * image.height());
}

} // namespace

class TestImageSetDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pCameras = std::make_unique<CCameraBackend>(ECameraBackendKind::Simulated);
        m_Camera = std::make_unique<CCameraDevice>(m_pCameras->Devices());
    }
    void cleanup()
    {
        m_pDlg.reset();
        m_Camera.reset();
        m_pCameras.reset();
    }

    void theControlsActOnTheNextFrames()
    {
        Start();
        const std::uint64_t nBefore = m_pDlg->LiveView().ShownFrameCount();
        double dDarker = 0;
        double dBrighter = 0;
        WhenModal<CImageSetDlg>([&](CImageSetDlg* pDlg) {
            // Exposure down, then up: the picture follows within two frames each time.
            Slider(pDlg, 1180)->setValue(60);
            dDarker = MeanAfterTwoFrames(REG_EXPOSURE, 60);
            Slider(pDlg, 1180)->setValue(480);
            dBrighter = MeanAfterTwoFrames(REG_EXPOSURE, 480);
            // The gain slider shows its position in the edit and goes to the register.
            Slider(pDlg, 1170)->setValue(40);
            QCOMPARE(Spin(pDlg, 1187)->value(), 40);
            // Red 0 is typed but not taken while the dialog is open.
            Spin(pDlg, 1145)->clear();
            QTest::keyClicks(Spin(pDlg, 1145), QStringLiteral("0"));
            QCOMPARE(m_pDlg->Settings().m_BayerR, 1.0);
            Button(pDlg, 1)->click();
        });
        Click(IDC_SET);
        QVERIFY(m_pDlg->LiveView().ShownFrameCount() > nBefore);
        QVERIFY2(dBrighter > dDarker + 20, qPrintable(QStringLiteral("%1 -> %2").arg(dDarker).arg(dBrighter)));
        WORD wGain = 0;
        QVERIFY(m_Camera->ReadRegister(REG_GLOBAL_GAIN, &wGain));
        QCOMPARE(wGain, WORD{40});
        QCOMPARE(m_pDlg->Settings().m_BayerR, 0.0); // OK takes the 0
        QVERIFY(!m_pDlg->LiveView().IsFrozen());
    }

    void cancelPutsTheReconstructionBack()
    {
        Start();
        WhenModal<CImageSetDlg>([](CImageSetDlg* pDlg) {
            Button(pDlg, 1143)->click(); // Bayer on
            Button(pDlg, 1154)->click(); // arrangement 2
            Spin(pDlg, 1181)->setValue(45);
            Button(pDlg, 2)->click();
        });
        Click(IDC_SET);
        const CViewerSettings s = m_pDlg->Settings();
        QCOMPARE(s.m_BayerFlg, 0);
        QCOMPARE(s.m_BayerMode, 0);
        QCOMPARE(s.m_HLS.H, 45);
    }

    void theAutomaticExposureShowsItsGainInTheOpenDialog()
    {
        // A dark picture with the automatic exposure driving the gain: it raises it.
        QFile ini(m_pSettings->filePath(QStringLiteral("Vexilo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Vexilo]\r\nm_AutoIrisFlg=1\r\nm_AutoIrisMode=0\r\nShutter=20\r\nGlovalGain=10\r\n");
        ini.close();
        Start();
        int nShown = -1;
        WhenModal<CImageSetDlg>([&nShown](CImageSetDlg* pDlg) {
            const int nStart = Spin(pDlg, 1187)->value();
            QTRY_VERIFY_WITH_TIMEOUT(Spin(pDlg, 1187)->value() != nStart, 5000);
            nShown = Spin(pDlg, 1187)->value();
            Button(pDlg, 2)->click();
        });
        Click(IDC_SET);
        QVERIFY(nShown > 10);
    }

private:
    void Start()
    {
        m_pDlg = std::make_unique<CViewerDlg>(m_pCameras->Devices(), m_pSettings->path().toStdString());
        QVERIFY(ShowLiveWindow(*m_pDlg));
    }
    // The view as painted once two more frames have been shown.
    // The view's mean level two frames after the camera took the value into its register
    // (the dialog writes it from a thread of its own).
    double MeanAfterTwoFrames(int nRegister, int nValue)
    {
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    WORD wValue = 0;
                    return m_Camera->ReadRegister(nRegister, &wValue) && wValue == nValue;
                }(),
                5000);
        }();
        const std::uint64_t nSeen = m_pDlg->LiveView().ShownFrameCount();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(m_pDlg->LiveView().ShownFrameCount() >= nSeen + FRAMES_TO_SHOW_A_CHANGE, 5000);
        }();
        QApplication::processEvents();
        return MeanLevel(m_pDlg->grab(m_pDlg->GetDlgItem(IDC_VIEW_FRAME)->geometry()).toImage());
    }
    void Click(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }
    static QSpinBox* Spin(CImageSetDlg* pDlg, int nId) { return pDlg->findChild<QSpinBox*>(QString::number(nId)); }
    static QSlider* Slider(CImageSetDlg* pDlg, int nId) { return pDlg->findChild<QSlider*>(QString::number(nId)); }
    static QAbstractButton* Button(CImageSetDlg* pDlg, int nId)
    {
        return pDlg->findChild<QAbstractButton*>(QString::number(nId));
    }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CCameraBackend> m_pCameras;
    std::unique_ptr<CCameraDevice> m_Camera; // a second handle on the camera, to read its registers
    std::unique_ptr<CViewerDlg> m_pDlg;
};

QTEST_MAIN(TestImageSetDialog)
#include "test_image_set_dialog.moc"
