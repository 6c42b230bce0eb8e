#include "FakeRig.h"
#include "Fixtures.h"
#include "TestRig.h"

#include "dialogs/Form10.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
// Presses OK on every message box the program shows and counts them.
class BoxCloser : public QObject
{
public:
    BoxCloser() { qApp->installEventFilter(this); }
    ~BoxCloser() override { qApp->removeEventFilter(this); }

    QStringList titles;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<Form10 *>(watched);
        if (box && event->type() == QEvent::Show) {
            titles.append(box->windowTitle());
            QTimer::singleShot(0, box, [box] { QTest::mouseClick(box->Command1, Qt::LeftButton); });
        }
        return false;
    }
};

struct CommandRig : FakeRig
{
    // The ports and menus as start-up leaves them.
    void startWith(int receive, int transmit)
    {
        m().receivePort = qint16(receive);
        m().transmitPort = qint16(transmit);
        if (transmit && transmit != receive)
            openAt2400(form()->MSComm2, transmit);
        if (receive)
            openAt2400(form()->MSComm1, receive);
        main()->menuSetRcv->setChecked(receive != 0);
        main()->Command3->setEnabled(receive != 0);
        main()->menuSetTrans->setChecked(transmit != 0);
        main()->menuMenuTrans->setVisible(transmit != 0);
        main()->menuMenuC->setVisible(transmit != 0);
    }

    // Runs a setup command; the user's part runs inside its wait once the dialog is active.
    void runCommand(QAction *entry, const std::function<void(Form5 *)> &user)
    {
        QTimer::singleShot(0, form(), [this, user] {
            if (QTest::qWaitForWindowActive(form()))
                user(form());
            else
                form()->close();
        });
        entry->trigger();
    }
};

int openPortOf(const MSComm &port)
{
    return port.PortOpen() ? port.CommPort() : 0;
}

} // namespace

class tst_SetupCommands : public QObject
{
    Q_OBJECT
private slots:
    void receiveSet();
    void receiveStopWhileTransmitting();
    void transmitSet();
    void transmitStop();
    void closeBoxActsOnPreviousOutcome_data();
    void closeBoxActsOnPreviousOutcome();
    void waitEndsAtShutdown();
};

void tst_SetupCommands::receiveSet()
{
    CommandRig fake;
    fake.startWith(0, 5);
    fake.ports->port(3).cts = false;
    fake.m().lastClockText = QStringLiteral("10:25:40");
    BoxCloser boxes;
    bool prepared = false;
    fake.runCommand(fake.main()->menuSetRcv, [&](Form5 *form) {
        prepared = form->windowTitle() == QLatin1String(" SetUp Receive")
            && form->heightTwips() == 2445 && form->Check1->isVisibleTo(form)
            && (form->windowFlags() & Qt::WindowStaysOnTopHint) && !fake.main()->isEnabled();
        form->Combo1->setCurrentIndex(1);
        QTest::keyClick(form->Combo1, Qt::Key_Down); // port 3: probed, a box
        QTest::keyClick(form->Combo1, Qt::Key_Return); // Set
    });
    QVERIFY(prepared);
    QCOMPARE(boxes.titles, QStringList {"Comm Port 3"});
    QCOMPARE(fake.m().receivePort, qint16(3));
    QCOMPARE(openPortOf(fake.form()->MSComm1), 3);
    QCOMPARE(openPortOf(fake.form()->MSComm2), 5);
    QVERIFY(fake.main()->menuSetRcv->isChecked());
    QVERIFY(fake.main()->Command3->isEnabled());
    QCOMPARE(fake.m().lastClockText, QString());
    QVERIFY(fake.main()->isEnabled());
    QVERIFY(!fake.form()->isVisible());
    QCOMPARE(fake.main()->Text3[0]->text(), QStringLiteral("Receive : Comm Port 3"));
}

void tst_SetupCommands::receiveStopWhileTransmitting()
{
    CommandRig fake;
    fake.startWith(2, 5);
    Form1 *main = fake.main();
    main->Text2->setText(QStringLiteral("10:25 AM"));
    main->Image1[1]->setVisible(true);
    main->Image1[0]->setVisible(false);
    fake.runCommand(
        main->menuSetRcv, [](Form5 *form) { QTest::mouseClick(form->Command3, Qt::LeftButton); });
    QVERIFY(!main->menuSetRcv->isChecked());
    QVERIFY(!main->Command3->isEnabled());
    QVERIFY(!fake.form()->MSComm1.PortOpen());
    QCOMPARE(main->Text2->text(), QString());
    QVERIFY(!main->Text2->isEnabled());
    QVERIFY(main->Image1[1]->isHidden());
    QVERIFY(!main->Image1[0]->isHidden());
    // Transmitting goes on, but its menu entry goes with the receive port.
    QVERIFY(!main->menuMenuTrans->isVisible());
    QVERIFY(!main->menuMenuC->isVisible());
    QVERIFY(main->menuSetTrans->isChecked());
    QCOMPARE(openPortOf(fake.form()->MSComm2), 5);
}

void tst_SetupCommands::transmitSet()
{
    CommandRig fake;
    fake.startWith(2, 0);
    bool prepared = false;
    fake.runCommand(fake.main()->menuSetTrans, [&](Form5 *form) {
        prepared = form->windowTitle() == QLatin1String(" SetUp Transmit")
            && qAbs(form->heightTwips() - 2075) < 15 && !form->Check1->isVisibleTo(form)
            && fake.m().setupForTransmit;
        form->Combo1->setCurrentIndex(5);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    });
    QVERIFY(prepared);
    QVERIFY(!fake.m().setupForTransmit);
    QCOMPARE(fake.m().transmitPort, qint16(6));
    QCOMPARE(openPortOf(fake.form()->MSComm1), 2);
    QCOMPARE(openPortOf(fake.form()->MSComm2), 6);
    QVERIFY(fake.main()->menuSetTrans->isChecked());
    QVERIFY(fake.main()->menuMenuTrans->isVisible());
    QVERIFY(fake.main()->menuMenuC->isVisible());
    QVERIFY(fake.rig->app().form4()->isVisible());
}

void tst_SetupCommands::transmitStop()
{
    CommandRig fake;
    fake.startWith(2, 5);
    fake.rig->app().form4()->show();
    fake.runCommand(
        fake.main()->menuSetTrans, [](Form5 *form) { QTest::keyClick(form->Combo1, 'c'); });
    QVERIFY(!fake.m().setupForTransmit);
    QCOMPARE(fake.m().transmitPort, qint16(0));
    QVERIFY(!fake.form()->MSComm2.PortOpen());
    QCOMPARE(openPortOf(fake.form()->MSComm1), 2);
    QVERIFY(!fake.main()->menuSetTrans->isChecked());
    QVERIFY(!fake.main()->menuMenuTrans->isVisible());
    QVERIFY(!fake.rig->app().form4()->isVisible());
    QVERIFY(fake.main()->menuSetRcv->isChecked());
}

void tst_SetupCommands::closeBoxActsOnPreviousOutcome_data()
{
    QTest::addColumn<bool>("transmit");
    QTest::addColumn<bool>("stoppedBefore");
    QTest::newRow("receive, never stopped") << false << false;
    QTest::newRow("receive, after a Stop") << false << true;
    QTest::newRow("transmit, never stopped") << true << false;
    QTest::newRow("transmit, after a Stop") << true << true;
}

void tst_SetupCommands::closeBoxActsOnPreviousOutcome()
{
    QFETCH(bool, transmit);
    QFETCH(bool, stoppedBefore);
    CommandRig fake;
    fake.m().setupStopped = stoppedBefore;
    QAction *entry = transmit ? fake.main()->menuSetTrans : fake.main()->menuSetRcv;
    fake.runCommand(entry, [](Form5 *form) { form->close(); });
    QCOMPARE(entry->isChecked(), !stoppedBefore);
    QCOMPARE(fake.m().setupStopped, stoppedBefore);
    QCOMPARE(fake.m().receivePort, qint16(0));
    QCOMPARE(fake.m().transmitPort, qint16(0));
    if (transmit)
        QCOMPARE(fake.rig->app().form4()->isVisible(), !stoppedBefore);
    else
        QCOMPARE(fake.main()->Command3->isEnabled(), !stoppedBefore);
}

void tst_SetupCommands::waitEndsAtShutdown()
{
    CommandRig fake;
    fake.runCommand(fake.main()->menuSetRcv, [&](Form5 *) { fake.m().shuttingDown = true; });
    // Nothing of the outcome is applied on the way out.
    QVERIFY(!fake.main()->menuSetRcv->isChecked());
    QVERIFY(!fake.main()->Command3->isEnabled());
    QVERIFY(fake.form()->isVisible());
}

QTEST_MAIN(tst_SetupCommands)
#include "tst_setupcommands.moc"
