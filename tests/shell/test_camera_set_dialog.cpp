// SET while the view is frozen: the camera setting dialog in the main window, on the
// simulated camera and Qt's offscreen platform. Load, Save, CANCEL and OK; what OK
// refuses; the clock taking effect at the next LIVE.
#include "app/dialogs/core/camera_set_values.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/main_window_template.h"
#include "driver/camera_protocol.h"
#include "simcam/sim_camera.h"
#include "app/shell/viewer_dlg.h"
#include "tests/shell/window_test_support.h"
#include "platform/profile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

QLineEdit* Field(QDialog* pDlg, int nId) { return pDlg->findChild<QLineEdit*>(QString::number(nId)); }
void Press(QDialog* pDlg, int nId) { pDlg->findChild<QAbstractButton*>(QString::number(nId))->click(); }

} // namespace

class TestCameraSetDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pCameras = std::make_unique<CCameraBackend>(ECameraBackendKind::Simulated);
        m_pDlg = std::make_unique<CViewerDlg>(m_pCameras->Devices(), m_pSettings->path().toStdString());
        QVERIFY(ShowLiveWindow(*m_pDlg));
        m_pDlg->OnLive(); // frozen: SET opens the camera setting dialog
    }
    void cleanup()
    {
        m_pDlg.reset();
        m_pCameras.reset();
    }

    void loadAndSaveChangeOnlyTheDialogUntilOk()
    {
        const QString model = m_pSettings->filePath(QStringLiteral("model.ini"));
        QFile file(model);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Talvik]\nEH=320\nEV=240\n[Vardin]\nEH=480\n");
        file.close();
        const CCameraSetValues before = CCameraSetValues::From(m_pDlg->Settings());

        QString name, loadTitle, saveTitle, shownEH, shownEV;
        WhenModal<QDialog>([&](QDialog* pSet) {
            name = pSet->objectName();
            AnswerFileDialog(model, QString(), &loadTitle);
            Press(pSet, 1088);
            shownEH = Field(pSet, 1147)->text();
            shownEV = Field(pSet, 1148)->text();
            AnswerFileDialog(m_pSettings->filePath(QStringLiteral("copy")), QString(), &saveTitle);
            Press(pSet, 1087);
            Press(pSet, 2);
        });
        Click(IDC_SET);
        QCOMPARE(name, QStringLiteral("152"));
        QCOMPARE(loadTitle, QStringLiteral("Load Setting"));
        QCOMPARE(shownEH, QStringLiteral("480")); // Vardin is read after Talvik
        QCOMPARE(shownEV, QStringLiteral("240"));
        QVERIFY(CCameraSetValues::From(m_pDlg->Settings()) == before);
        // Save took what the fields showed, into a file named with the default suffix.
        QCOMPARE(saveTitle, QStringLiteral("Save Setting"));
        const QByteArray copy = m_pSettings->filePath(QStringLiteral("copy.ini")).toUtf8();
        QCOMPARE(GetPrivateProfileIntA("Vexilo", "EH", -1, copy.constData()), 480);

        // OK stores all nine.
        WhenModal<QDialog>([](QDialog* pSet) {
            const char* szTexts[] = {"700", "500", "320", "240", "16", "8", "-3", "20"};
            const int nIds[] = {1145, 1146, 1147, 1148, 1149, 1150, 1143, 1144};
            for (int i = 0; i < 8; ++i)
                Field(pSet, nIds[i])->setText(QString::fromLatin1(szTexts[i]));
            pSet->findChild<QComboBox*>(QStringLiteral("1216"))->setCurrentIndex(1);
            Press(pSet, 1);
        });
        Click(IDC_SET);
        const CCameraSetValues stored = CCameraSetValues::From(m_pDlg->Settings());
        QVERIFY(stored == (CCameraSetValues{700, 500, 320, 240, 16, 8, -3, 20, 1}));
    }

    void okRefusesWhatIsNoNumberOrNoWindowOfTheCamera()
    {
        QStringList messages;
        QString typed;
        QStringList focused; // the field given the focus, while the dialog stays
        WhenModal<QDialog>([&](QDialog* pSet) {
            const auto pressOk = [&] {
                WhenModal<QMessageBox>([&](QMessageBox* pBox) {
                    messages << pBox->text();
                    pBox->accept();
                });
                Press(pSet, 1);
                focused << (pSet->isVisible() && pSet->focusWidget() ? pSet->focusWidget()->objectName() : QString());
            };
            // A window field takes no sign; an empty one is refused.
            Field(pSet, 1149)->clear();
            QTest::keyClicks(Field(pSet, 1149), QStringLiteral("-100"));
            typed = Field(pSet, 1149)->text();
            Field(pSet, 1145)->clear();
            pressOk();
            Field(pSet, 1145)->setText(QStringLiteral("640"));
            // 100 + 600 is beyond the sensor's 640 columns.
            Field(pSet, 1147)->setText(QStringLiteral("600"));
            pressOk();
            Field(pSet, 1147)->setText(QStringLiteral("540"));
            Press(pSet, 1);
        });
        Click(IDC_SET);
        QCOMPARE(typed, QStringLiteral("100"));
        QCOMPARE(messages, QStringList({QStringLiteral("Please enter an integer."),
                                        QStringLiteral("The camera cannot use this window: H Start + H Effective "
                                                       "must be 640 or less.")}));
        QCOMPARE(focused, QStringList({QStringLiteral("1145"), QStringLiteral("1147")}));
        const CViewerSettings stored = m_pDlg->Settings();
        QCOMPARE(stored.EHS, 100);
        QCOMPARE(stored.EH, 540);
    }

    void halfClockReachesTheCameraAtTheNextLive()
    {
        const CSimCamera& sim = m_pCameras->SimulatedCameras().at(0).Camera();
        QVERIFY(!sim.IsHalfClock());
        WhenModal<QDialog>([](QDialog* pSet) {
            auto* pClock = pSet->findChild<QComboBox*>(QStringLiteral("1216"));
            QCOMPARE(pClock->itemText(1), QStringLiteral("half"));
            pClock->setCurrentIndex(1);
            Field(pSet, 1147)->setText(QStringLiteral("320"));
            Field(pSet, 1148)->setText(QStringLiteral("240"));
            Press(pSet, 1);
        });
        Click(IDC_SET);
        QVERIFY2(!sim.IsHalfClock(), "nothing reaches the camera before LIVE");

        const std::uint64_t nShown = m_pDlg->LiveView().ShownFrameCount();
        m_pDlg->OnLive();
        QVERIFY(sim.IsHalfClock());
        // The clock change put the full window back; ours was set again after it (row
        // end register: y + height + 8), and its frames come.
        QCOMPARE(sim.PeekRegister(CAM_REG_ROW_START + 2), WORD{240 + CAM_ROW_END_OFFSET});
        QTRY_VERIFY_WITH_TIMEOUT(m_pDlg->LiveView().ShownFrameCount() > nShown, 5000);
        QCOMPARE(m_pDlg->LiveView().RawImage().Width(), 320);
    }

private:
    void Click(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CCameraBackend> m_pCameras;
    std::unique_ptr<CViewerDlg> m_pDlg;
};

QTEST_MAIN(TestCameraSetDialog)
#include "test_camera_set_dialog.moc"
