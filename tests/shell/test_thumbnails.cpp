// The picture folder in the main window: thumbnails made in the background, the strip's
// double click and popup menu, the cache written at exit; on Qt's offscreen platform.
#include "app/files/bmp_writer.h"
#include "app/res/ui_texts.h"
#include "app/shell/core/main_window_template.h"
#include "app/shell/viewer_dlg.h"

#include <QAbstractButton>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestThumbnails : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_pFolder = std::make_unique<QTemporaryDir>();
        // The trash of this test's own "desktop".
        qputenv("XDG_DATA_HOME", m_pFolder->filePath(QStringLiteral("data")).toUtf8());
        QDir(m_pFolder->path()).mkdir(QStringLiteral("pictures"));
        for (int i = 0; i < 3; ++i)
            WritePicture(QStringLiteral("pictures/p%1.bmp").arg(i), 80 + 40 * i, 60 + 30 * i);
        QFile ini(m_pFolder->filePath(QStringLiteral("Vexilo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Vexilo]\r\nsavedir=" + Pictures().toUtf8() + "\r\n");
    }

    void thumbnailsArriveOpenTrashAndAreCachedAtExit()
    {
        {
            CViewerDlg dlg(m_Devices, m_pFolder->path().toStdString());
            dlg.OnInitDialog();
            dlg.resize(1100, 800);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            // Made off the UI thread, they join the strip on the timer's ticks.
            QTRY_COMPARE(dlg.Thumbs().Count(), 3);

            // A double click on the second thumbnail opens its picture into the frozen view.
            const QRect strip = dlg.GetDlgItem(IDC_STRIP_GROUP)->geometry();
            const QPoint second = strip.topLeft() + QPoint(8 + 146 + 70, 14 + 50);
            QTest::mouseDClick(&dlg, Qt::LeftButton, Qt::NoModifier, second);
            QVERIFY(dlg.LiveView().IsFrozen());
            // Picture pK.bmp is 80 + 40 K pixels wide.
            const QString opened = QString::fromStdString(dlg.Thumbs().Item(1).m_szPath);
            const int k = opened.at(opened.size() - 5).digitValue();
            QCOMPARE(dlg.LiveView().ShownImage().Width(), 80 + 40 * k);
            QCOMPARE(int(dlg.LiveView().ShownImage().BitCount()), 24);

            // Trash box in the popup menu of the first thumbnail.
            const QString first = QString::fromStdString(dlg.Thumbs().Item(0).m_szPath);
            ChooseInMenu(QStringLiteral("Trash box"));
            QTest::mousePress(&dlg, Qt::RightButton, Qt::NoModifier, strip.topLeft() + QPoint(8 + 70, 14 + 50));
            QTRY_COMPARE(dlg.Thumbs().Count(), 2);
            QVERIFY(!QFile::exists(first));
            // In the desktop's trash, made when it did not exist yet.
            QVERIFY(QFile::exists(m_pFolder->filePath(QStringLiteral("data/Trash/files/")) + QFileInfo(first).fileName()));
            QVERIFY(dlg.close());
        }
        // The cache holds the two pictures left: 29 + 4 + 2 records of name, 8 and 44154.
        const QFileInfo cache(Pictures() + QStringLiteral("/ThumbNail"));
        QVERIFY(cache.exists());
        QCOMPARE(cache.size(), qint64(29 + 4 + 2 * (7 + 8 + 44154)));
    }

private:
    // Chooses the entry of the popup menu that is about to open.
    static void ChooseInMenu(const QString& entry)
    {
        QTimer::singleShot(10, [entry] {
            auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (pMenu == nullptr) {
                ChooseInMenu(entry);
                return;
            }
            for (QAction* pAction : pMenu->actions()) {
                if (pAction->text() == entry) {
                    pMenu->setActiveAction(pAction);
                    QTest::keyClick(pMenu, Qt::Key_Return);
                }
            }
        });
    }
    QString Pictures() const { return m_pFolder->filePath(QStringLiteral("pictures")); }
    void WritePicture(const QString& name, int nWidth, int nHeight) const
    {
        CDibImage picture;
        QVERIFY(picture.Create(nWidth, nHeight, 24));
        picture.Fill(nullptr, RGB(nWidth, nHeight, 90));
        QVERIFY(WriteBmp(picture, m_pFolder->filePath(name).toUtf8().constData()));
    }

    CDeviceNamespace m_Devices; // no camera
    std::unique_ptr<QTemporaryDir> m_pFolder;
};

QTEST_MAIN(TestThumbnails)
#include "test_thumbnails.moc"
