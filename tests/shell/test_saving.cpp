// SAVE and TYPE in the window, on the simulated camera and Qt's offscreen platform: the
// save dialog's answer, the live view around it, the picture folder, the measurements
// burnt in at every zoom, and a save that fails.
#include "app/cli/cli_commands.h"
#include "app/files/picture_loader.h"
#include "app/files/thumb_list.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/camera_backend.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"
#include "tests/shell/window_test_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSaving : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pSettings = std::make_unique<QTemporaryDir>();
        m_pCameras = std::make_unique<CCameraBackend>(ECameraBackendKind::Simulated);
        m_pDlg = std::make_unique<CViewerDlg>(m_pCameras->Devices(), m_pSettings->path().toStdString());
        QVERIFY(ShowLiveWindow(*m_pDlg));
        m_Corner = m_pDlg->GetDlgItem(IDC_VIEW_FRAME)->geometry().topLeft();
    }
    void cleanup()
    {
        m_pDlg.reset();
        m_pCameras.reset();
    }

    void theDialogsAnswerDecidesNameAndFormatAndTheLiveViewGoesOn()
    {
        const QString pictures = QString::fromStdString(m_pDlg->Settings().m_szSaveDir);
        // The proposal: the time as a name in the picture folder; the view stands still
        // while the dialog is open and runs again after a Cancel.
        QString proposed;
        bool bFrozenMeanwhile = false;
        WhenModal<QFileDialog>([&](QFileDialog* pChooser) {
            proposed = pChooser->selectedFiles().value(0);
            bFrozenMeanwhile = m_pDlg->LiveView().IsFrozen();
            pChooser->reject();
        });
        Click(IDC_SAVE);
        QVERIFY(bFrozenMeanwhile);
        QVERIFY(!m_pDlg->LiveView().IsFrozen());
        QCOMPARE(QFileInfo(proposed).absolutePath(), pictures);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{14}\\.bmp$")).match(QFileInfo(proposed).fileName()).hasMatch(),
                 qPrintable(proposed));

        // The JPEG filter makes a JPEG named .jpg of "sample.bmp" ...
        const int nThumbs = m_pDlg->Thumbs().Count();
        Save(pictures + QStringLiteral("/sample.bmp"), IDS_JPEG_FILTER);
        QVERIFY(!m_pDlg->LiveView().IsFrozen());
        QVERIFY(!QFile::exists(pictures + QStringLiteral("/sample.bmp")));
        QVERIFY(FileBytes(pictures + QStringLiteral("/sample.jpg")).startsWith("\xff\xd8"));
        // ... the BMP filter a BMP of whatever name was typed.
        Save(pictures + QStringLiteral("/other.jpg"), IDS_BMP_FILTER);
        QVERIFY(FileBytes(pictures + QStringLiteral("/other.jpg")).startsWith("BM"));
        // Both join the strip at its end.
        QCOMPARE(m_pDlg->Thumbs().Count(), nThumbs + 2);
        QCOMPARE(m_pDlg->Thumbs().Item(nThumbs + 1).m_szPath, (pictures + QStringLiteral("/other.jpg")).toStdString());
    }

    void savingElsewhereMovesThePictureFolder()
    {
        m_pDlg->OnLive();
        const QString pictures = QString::fromStdString(m_pDlg->Settings().m_szSaveDir);
        Save(pictures + QStringLiteral("/first.bmp"), IDS_BMP_FILTER);
        QTemporaryDir elsewhere;
        Save(elsewhere.path() + QStringLiteral("/second.bmp"), IDS_BMP_FILTER);
        QVERIFY2(m_pDlg->LiveView().IsFrozen(), "a frozen view stays frozen");

        // The old folder's cache was written before the folder changed.
        CThumbList old;
        QCOMPARE(old.ReadCache(ThumbCachePath(pictures.toStdString())), 1);
        QCOMPARE(old.Count(), 1);
        QCOMPARE(old.Item(0).m_szPath, (pictures + QStringLiteral("/first.bmp")).toStdString());
        QCOMPARE(QString::fromStdString(m_pDlg->Settings().m_szSaveDir), elsewhere.path());
        QTRY_COMPARE(m_pDlg->Thumbs().Count(), 1);
        QCOMPARE(m_pDlg->Thumbs().Item(0).m_szPath, (elsewhere.path() + QStringLiteral("/second.bmp")).toStdString());
    }

    void typeBurnsTheMeasurementsInAtEveryZoom()
    {
        m_pDlg->OnLive();
        QTemporaryDir out;
        Tool(IDC_LINE);
        QTest::mousePress(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, m_Corner + QPoint(100, 100));
        QTest::mouseRelease(m_pDlg.get(), Qt::LeftButton, Qt::NoModifier, m_Corner + QPoint(300, 140));

        // TYPE off: the file holds the picture shown, pixel for pixel.
        Save(out.path() + QStringLiteral("/plain.bmp"), IDS_BMP_FILTER);
        CDibImage plain;
        QVERIFY(LoadPicture(plain, (out.path() + QStringLiteral("/plain.bmp")).toStdString().c_str()));
        CDibImage shown;
        QVERIFY(shown.Create(plain.Width(), plain.Height(), 24));
        shown.BlitFrom(m_pDlg->LiveView().ShownImage(), nullptr, 0, 0);
        QVERIFY(std::equal(plain.Bits(), plain.Bits() + plain.Stride() * plain.Height(), shown.Bits()));

        // TYPE on: the same pixels whatever the view's zoom, which stays as it was.
        QVERIFY(!m_pDlg->IsSaveOverlayOn());
        Click(IDC_TYPE);
        QVERIFY(m_pDlg->IsSaveOverlayOn());
        auto* pZoom = qobject_cast<QComboBox*>(m_pDlg->GetDlgItem(IDC_ZOOM));
        QByteArray drawn;
        for (int nZoom : {1, 3, 0}) { // x1, x4, fit
            pZoom->setCurrentIndex(nZoom);
            const QString path = out.path() + QStringLiteral("/zoom%1.bmp").arg(nZoom);
            Save(path, IDS_BMP_FILTER);
            QCOMPARE(pZoom->currentIndex(), nZoom);
            if (drawn.isEmpty())
                drawn = FileBytes(path);
            QCOMPARE(FileBytes(path), drawn);
        }
        QVERIFY(drawn != FileBytes(out.path() + QStringLiteral("/plain.bmp")));

        // vexilo-cli draws the same measurement on the plain picture alike.
        QFile lines(out.path() + QStringLiteral("/lines.txt"));
        QVERIFY(lines.open(QIODevice::WriteOnly));
        lines.write("line 100 100 300 140\n");
        lines.close();
        CMeasureOptions options;
        options.szSettingsFolder = m_pSettings->path().toStdString();
        options.szPicture = (out.path() + QStringLiteral("/plain.bmp")).toStdString();
        options.szInput = lines.fileName().toStdString();
        options.szDraw = (out.path() + QStringLiteral("/cli.bmp")).toStdString();
        std::FILE* pOut = std::tmpfile();
        QCOMPARE(RunMeasure(options, CCliOutput{pOut, stderr, stdin}), CLI_OK);
        std::fclose(pOut);
        QCOMPARE(FileBytes(QString::fromStdString(options.szDraw)), drawn);
    }

    void aFailedSaveSaysSoOnceAndAddsNothing()
    {
        m_pDlg->OnLive();
        QTemporaryDir out;
        const QString blocked = out.path() + QStringLiteral("/blocked");
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly)); // a file where a folder should be
        file.close();
        const std::string szSaveDir = m_pDlg->Settings().m_szSaveDir;
        const int nThumbs = m_pDlg->Thumbs().Count();

        int nMessages = 0;
        QString message;
        WhenModal<QMessageBox>([&](QMessageBox* pBox) {
            ++nMessages;
            message = pBox->text();
            pBox->accept();
        });
        Save(blocked + QStringLiteral("/picture.bmp"), IDS_BMP_FILTER);
        QTRY_COMPARE(nMessages, 1);
        QVERIFY2(message.startsWith(QStringLiteral("The picture was not saved.")), qPrintable(message));
        QCOMPARE(m_pDlg->Thumbs().Count(), nThumbs);
        QCOMPARE(m_pDlg->Settings().m_szSaveDir, szSaveDir);
        QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"blocked"});
        QTest::qWait(50);
        QCOMPARE(nMessages, 1);
    }

private:
    void Click(int nId) const { qobject_cast<QAbstractButton*>(m_pDlg->GetDlgItem(nId))->click(); }
    void Tool(int nId) const { Click(nId); }
    // SAVE, answered with path and the filter of string nFilter.
    void Save(const QString& path, int nFilter)
    {
        AnswerFileDialog(path, QString::fromUtf8(LoadUiString(nFilter)));
        Click(IDC_SAVE);
    }

    std::unique_ptr<QTemporaryDir> m_pSettings;
    std::unique_ptr<CCameraBackend> m_pCameras;
    std::unique_ptr<CViewerDlg> m_pDlg;
    QPoint m_Corner;
};

QTEST_MAIN(TestSaving)
#include "test_saving.moc"
