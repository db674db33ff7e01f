// The scale dialog on its own, on Qt's offscreen platform: its controls change the scale
// data at once, Cancel hands back the data as it was, and fields without an integer are
// refused with a message.
#include "app/dialogs/scale_dlg.h"
#include "app/res/ui_texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

class TestScaleDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bJapanese = 0;
        m_Changes.clear();
        m_Start = CScaleData{};
        m_Start.Unit = 1;
        m_Start.MppX = 0.0625; // 10 units: 160 pixels
        m_Start.MppY = 0.0625;
        m_pDlg = std::make_unique<CScaleDlg>(nullptr);
        OpenOn(m_Start);
    }
    void cleanup() { m_pDlg.reset(); }

    void everyChangeIsAppliedAtOnceAndOkTakesTheFields()
    {
        QCOMPARE(m_pDlg->objectName(), QStringLiteral("158"));
        QVERIFY(m_pDlg->isVisible() && m_pDlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!Check()->isChecked());
        QCOMPARE(List(1124)->currentIndex(), 0);
        QCOMPARE(List(1125)->currentIndex(), -1);
        QCOMPARE(Field(1121)->text(), QStringLiteral("10"));

        Check()->click();
        QCOMPARE(m_Changes.size(), std::size_t{1});
        QCOMPARE(m_Changes.back().Visible, 1);
        List(1124)->setCurrentIndex(1);
        QCOMPARE(m_Changes.back().Type, SCALE_TYPE_XY);
        Field(1121)->setText(QStringLiteral(" 20"));
        Choose(SCALE_POS_UPPER_LEFT);
        QCOMPARE(m_Changes.size(), std::size_t{3});
        QCOMPARE(m_Changes.back().Pos.x, 370); // 20 / 0.0625 + 50
        QCOMPARE(m_Changes.back().Pos.y, 210);
        QCOMPARE(m_Changes.back().Size.cx, 20);
        QCOMPARE(m_Changes.back().Visible, 1); // earlier changes stay
        QCOMPARE(Field(1121)->text(), QStringLiteral("20"));

        // The window drags the bar; OK keeps the dragged place and takes the fields.
        CScaleData dragged = m_Changes.back();
        dragged.Pos = POINT{400, 300};
        m_pDlg->Update(dragged);
        Field(1122)->setText(QStringLiteral("5"));
        Button(1)->click();
        QVERIFY(!m_pDlg->IsOpen() && !m_pDlg->isVisible());
        QCOMPARE(m_Changes.back().Pos.x, 400);
        QCOMPARE(m_Changes.back().Size.cy, 5);
        QCOMPARE(m_Changes.back().Type, SCALE_TYPE_XY);
    }

    void cancelAndEscapeRestoreTheDataAsAtOpen()
    {
        Check()->click();
        List(1124)->setCurrentIndex(1);
        Choose(SCALE_POS_CENTER);
        CScaleData dragged = m_Changes.back();
        dragged.Pos = POINT{12, 34};
        m_pDlg->Update(dragged);
        Button(2)->click();
        QVERIFY(!m_pDlg->IsOpen());
        QVERIFY(m_Changes.back() == m_Start);

        // Opened again on the restored data; Escape cancels too. New factors from a
        // recalculation while it is open stay.
        OpenOn(m_Start);
        QVERIFY(m_pDlg->IsOpen());
        Choose(SCALE_POS_UPPER_RIGHT);
        CScaleData recalculated = m_Changes.back();
        recalculated.MppX = 0.5;
        recalculated.Unit = 2;
        m_pDlg->Update(recalculated);
        QTest::keyClick(m_pDlg.get(), Qt::Key_Escape);
        QVERIFY(!m_pDlg->IsOpen());
        CScaleData expected = m_Start;
        expected.MppX = 0.5;
        expected.Unit = 2;
        QVERIFY(m_Changes.back() == expected);
    }

    void fieldsWithoutAnIntegerAreRefusedOnceAndChangeNothing()
    {
        Field(1121)->setText(QStringLiteral("1.5"));
        Field(1122)->setText(QString()); // also refused, but one message is enough
        const QStringList shownOnOk = AnsweringMessages([this] { Button(1)->click(); });
        QCOMPARE(shownOnOk, QStringList{QStringLiteral("Please enter an integer.")});
        QVERIFY(m_pDlg->IsOpen());
        QVERIFY(m_Changes.empty());

        Field(1121)->setText(QStringLiteral("12"));
        QCOMPARE(AnsweringMessages([this] { Choose(SCALE_POS_LOWER_LEFT); }).size(), 1);
        QVERIFY(m_Changes.empty());
        QCOMPARE(List(1125)->currentIndex(), -1);
        QVERIFY(m_pDlg->IsOpen());
    }

private:
    void OpenOn(const CScaleData& data)
    {
        m_pDlg->Open(data, 640, 480, QPoint(100, 100), [this](const CScaleData& d) { m_Changes.push_back(d); });
    }
    QCheckBox* Check() const { return m_pDlg->findChild<QCheckBox*>(QStringLiteral("1205")); }
    QComboBox* List(int nId) const { return m_pDlg->findChild<QComboBox*>(QString::number(nId)); }
    QLineEdit* Field(int nId) const { return m_pDlg->findChild<QLineEdit*>(QString::number(nId)); }
    QAbstractButton* Button(int nId) const { return m_pDlg->findChild<QAbstractButton*>(QString::number(nId)); }
    // A pick in the position list, as the list reports one the user makes.
    void Choose(int nIndex) const
    {
        List(1125)->setCurrentIndex(nIndex);
        emit List(1125)->activated(nIndex);
    }
    // Runs action, answering every message box it shows; the texts shown, in order.
    template <typename TAction>
    static QStringList AnsweringMessages(TAction action)
    {
        QStringList shown;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&shown] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << pBox->text();
                pBox->accept();
            }
        });
        answer.start(10);
        action();
        return shown;
    }

    CScaleData m_Start;
    std::vector<CScaleData> m_Changes;
    std::unique_ptr<CScaleDlg> m_pDlg;
};

QTEST_MAIN(TestScaleDialog)
#include "test_scale_dialog.moc"
