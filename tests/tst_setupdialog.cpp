#include "FakeRig.h"
#include "Fixtures.h"
#include "TestRig.h"

#include "platform/Timer.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {
struct SetupRig : FakeRig
{
    // The ports as start-up leaves them.
    void startWith(int receive, int transmit)
    {
        m().receivePort = qint16(receive);
        m().transmitPort = qint16(transmit);
        if (isSelectablePort(transmit) && transmit != receive)
            openAt2400(form()->MSComm2, transmit);
        if (isSelectablePort(receive))
            openAt2400(form()->MSComm1, receive);
    }

    // Opens the dialog for one side with the list on a port, as the opener and a pick leave it.
    bool openDialog(bool transmit, int listedPort)
    {
        m().setupForTransmit = transmit;
        form()->show();
        if (!QTest::qWaitForWindowActive(form()))
            return false;
        main()->setEnabled(false);
        if (listedPort > 0)
            form()->Combo1->setCurrentIndex(listedPort - 1);
        return true;
    }
};

QString receivePanel(int port)
{
    return port >= 1 && port <= 8 ? QStringLiteral("Receive : Comm Port %1").arg(port)
                                  : QStringLiteral("Receive : Not Selected");
}

QString transmitPanel(int port)
{
    return port >= 1 && port <= 8 ? QStringLiteral("Transmit : Comm Port %1").arg(port)
                                  : QStringLiteral("Transmit : Not Selected");
}

// Which port number an object has open, 0 when closed.
int openPortOf(const MSComm &port)
{
    return port.PortOpen() ? port.CommPort() : 0;
}
} // namespace

class tst_SetupDialog : public QObject
{
    Q_OBJECT
private slots:
    void loadState();
    void placedOffCentreAtLoad();
    void activationPreselects_data();
    void activationPreselects();
    void setAndStop_data();
    void setAndStop();
    void setWithoutSelectionDoesNothing();
    void closeBoxOnlyHides_data();
    void closeBoxOnlyHides();
    void keys_data();
    void keys();
    void checkBoxToggle_data();
    void checkBoxToggle();
};

void tst_SetupDialog::loadState()
{
    SetupRig fake;
    Form5 *form = fake.form();
    QVERIFY(!form->isVisible());
    QCOMPARE(form->check1Value(), 1);
    QVERIFY(form->Text1->isHidden());
    QCOMPARE(form->MSComm1.InputLen(), 1);
    QVERIFY(!form->Timer3->Enabled());
    // The transmit height cuts the check box row off.
    form->setHeightTwips(2075);
    QVERIFY(form->Check1->geometry().bottom() > form->height());
    form->setHeightTwips(2445);
    QVERIFY(form->rect().contains(form->Check1->geometry()));
}

void tst_SetupDialog::placedOffCentreAtLoad()
{
    SetupRig fake;
    Form5 *form = fake.form();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centre(
        form->pos().x() + (form->width() + 6) / 2, form->pos().y() + (form->height() + 25) / 2);
    // 1000 twips to the right of and 500 twips below the screen's centre.
    QVERIFY(qAbs(centre.x() - screen.width() / 2 - 1000 / 15) <= 1);
    QVERIFY(qAbs(centre.y() - screen.height() / 2 - 500 / 15) <= 1);
}

void tst_SetupDialog::activationPreselects_data()
{
    QTest::addColumn<bool>("transmit");
    QTest::addColumn<int>("receive");
    QTest::addColumn<int>("transmitPort");
    QTest::addColumn<int>("expectedIndex");

    QTest::newRow("receive side") << false << 4 << 7 << 3;
    QTest::newRow("transmit side") << true << 4 << 7 << 6;
    QTest::newRow("no receive port keeps the list") << false << 0 << 7 << 5;
    QTest::newRow("port 12 keeps the list") << true << 4 << 12 << 5;
}

void tst_SetupDialog::activationPreselects()
{
    QFETCH(bool, transmit);
    QFETCH(int, receive);
    QFETCH(int, transmitPort);
    QFETCH(int, expectedIndex);
    SetupRig fake;
    fake.m().receivePort = qint16(receive);
    fake.m().transmitPort = qint16(transmitPort);
    fake.form()->Combo1->setCurrentIndex(5);
    fake.form()->Command1->setEnabled(false);

    QVERIFY(fake.openDialog(transmit, 0));
    QCOMPARE(fake.form()->Combo1->currentIndex(), expectedIndex);
    QCOMPARE(QApplication::focusWidget(), fake.form()->Combo1);
    QVERIFY(fake.form()->Command1->isEnabled());
    QVERIFY(fake.form()->Command3->isEnabled());
    QVERIFY(!fake.form()->activating);
}

void tst_SetupDialog::setAndStop_data()
{
    QTest::addColumn<bool>("transmit");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("receiveBefore");
    QTest::addColumn<int>("transmitBefore");
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("receiveAfter");
    QTest::addColumn<int>("transmitAfter");
    QTest::addColumn<int>("receiveOpen"); // port MSComm1 has open, 0 closed
    QTest::addColumn<int>("transmitOpen");
    QTest::addColumn<int>("receiveOpens"); // opens of that port in all
    QTest::addColumn<int>("transmitOpens");

    QTest::newRow("set receive") << false << false << 0 << 5 << 3 << 3 << 5 << 3 << 5 << 1 << 2;
    QTest::newRow("set receive to the transmit port")
        << false << false << 2 << 5 << 5 << 5 << 5 << 5 << 0 << 2 << 0;
    QTest::newRow("set transmit while receiving")
        << true << false << 2 << 0 << 4 << 2 << 4 << 2 << 4 << 2 << 1;
    QTest::newRow("set receive beside transmit port 12")
        << false << false << 0 << 12 << 3 << 3 << 12 << 3 << 0 << 1 << 0;
    QTest::newRow("stop receive") << false << true << 2 << 5 << 0 << 0 << 5 << 0 << 5 << 0 << 1;
    QTest::newRow("stop transmit") << true << true << 2 << 5 << 0 << 2 << 0 << 2 << 0 << 1 << 0;
    // The transmission goes on through the transmit side's own port object.
    QTest::newRow("stop receive on a shared port")
        << false << true << 4 << 4 << 0 << 0 << 4 << 0 << 4 << 0 << 2;
    QTest::newRow("stop transmit on a shared port")
        << true << true << 4 << 4 << 0 << 4 << 0 << 4 << 0 << 1 << 0;
}

void tst_SetupDialog::setAndStop()
{
    QFETCH(bool, transmit);
    QFETCH(bool, stop);
    QFETCH(int, receiveBefore);
    QFETCH(int, transmitBefore);
    QFETCH(int, listed);
    QFETCH(int, receiveAfter);
    QFETCH(int, transmitAfter);
    QFETCH(int, receiveOpen);
    QFETCH(int, transmitOpen);
    QFETCH(int, receiveOpens);
    QFETCH(int, transmitOpens);
    SetupRig fake;
    fake.startWith(receiveBefore, transmitBefore);
    fake.m().setupStopped = !stop;
    fake.m().skipSetupActivate = false;
    QVERIFY(fake.openDialog(transmit, listed));
    fake.m().skipSetupActivate = true;

    QTest::mouseClick(stop ? fake.form()->Command3 : fake.form()->Command1, Qt::LeftButton);
    QCOMPARE(fake.m().receivePort, qint16(receiveAfter));
    QCOMPARE(fake.m().transmitPort, qint16(transmitAfter));
    QCOMPARE(fake.m().setupStopped, stop);
    QVERIFY(!fake.m().skipSetupActivate);
    QCOMPARE(openPortOf(fake.form()->MSComm1), receiveOpen);
    QCOMPARE(openPortOf(fake.form()->MSComm2), transmitOpen);
    if (receiveOpen)
        QCOMPARE(fake.ports->port(receiveOpen).openCount, receiveOpens);
    if (transmitOpen)
        QCOMPARE(fake.ports->port(transmitOpen).openCount, transmitOpens);
    QVERIFY(!fake.form()->isVisible());
    QVERIFY(fake.main()->isEnabled());
    QCOMPARE(fake.main()->Text3[0]->text(), receivePanel(receiveAfter));
    QCOMPARE(fake.main()->Text3[1]->text(), transmitPanel(transmitAfter));
}

void tst_SetupDialog::setWithoutSelectionDoesNothing()
{
    SetupRig fake;
    fake.startWith(2, 0);
    QVERIFY(fake.openDialog(false, 0));
    fake.form()->Combo1->setCurrentIndex(-1);
    fake.form()->Command1_Click();
    QVERIFY(fake.form()->isVisible());
    QVERIFY(!fake.main()->isEnabled());
    QCOMPARE(openPortOf(fake.form()->MSComm1), 2);
    QCOMPARE(fake.m().receivePort, qint16(2));

    // A port that cannot be opened is still assigned, without a word, and Set goes on.
    fake.ports->port(3).openError = CommError::PortAlreadyOpen;
    fake.form()->Combo1->setCurrentIndex(2);
    fake.form()->Command1_Click();
    QCOMPARE(fake.m().receivePort, qint16(3));
    QVERIFY(!fake.form()->MSComm1.PortOpen());
    QVERIFY(!fake.form()->isVisible());
    QCOMPARE(fake.main()->Text3[0]->text(), receivePanel(3));
}

void tst_SetupDialog::closeBoxOnlyHides_data()
{
    QTest::addColumn<bool>("stoppedBefore");
    QTest::newRow("after a Set") << false;
    QTest::newRow("after a Stop") << true;
}

void tst_SetupDialog::closeBoxOnlyHides()
{
    QFETCH(bool, stoppedBefore);
    SetupRig fake;
    fake.startWith(2, 5);
    fake.m().setupStopped = stoppedBefore;
    QVERIFY(fake.openDialog(false, 7));

    QVERIFY(!fake.form()->close());
    QVERIFY(!fake.form()->isVisible());
    QVERIFY(fake.main()->isEnabled());
    QCOMPARE(fake.m().setupStopped, stoppedBefore);
    QCOMPARE(fake.m().receivePort, qint16(2));
    QCOMPARE(openPortOf(fake.form()->MSComm1), 2);
    QCOMPARE(openPortOf(fake.form()->MSComm2), 5);
    QCOMPARE(fake.ports->port(2).openCount, 1);
    QCOMPARE(fake.ports->port(7).openCount, 0);
}

void tst_SetupDialog::keys_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key");
    QTest::addColumn<char>("character");
    QTest::addColumn<QString>("ending");

    QTest::newRow("Enter in the list") << "list" << int(Qt::Key_Return) << '\r' << "set";
    QTest::newRow("O in the list") << "list" << int(Qt::Key_O) << 'O' << "set";
    QTest::newRow("c in the list") << "list" << int(Qt::Key_C) << 'c' << "stop";
    QTest::newRow("o on Set") << "set" << int(Qt::Key_O) << 'o' << "set";
    QTest::newRow("Enter on Set") << "set" << int(Qt::Key_Enter) << '\0' << "set";
    QTest::newRow("c on Set") << "set" << int(Qt::Key_C) << 'c' << "stop";
    QTest::newRow("C on Stop") << "stop" << int(Qt::Key_C) << 'C' << "stop";
    QTest::newRow("O on Stop") << "stop" << int(Qt::Key_O) << 'O' << "set";
    QTest::newRow("o on the dialog") << "form" << int(Qt::Key_O) << 'o' << "set";
    QTest::newRow("C on the dialog") << "form" << int(Qt::Key_C) << 'C' << "stop";
    QTest::newRow("x in the list") << "list" << int(Qt::Key_X) << 'x' << "none";
    QTest::newRow("o on the check box") << "check" << int(Qt::Key_O) << 'o' << "none";
    QTest::newRow("W in the list") << "list" << int(Qt::Key_W) << 'W' << "none";
}

void tst_SetupDialog::keys()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    QFETCH(char, character);
    QFETCH(QString, ending);
    SetupRig fake;
    fake.startWith(2, 0);
    QVERIFY(fake.openDialog(false, 6));
    Form5 *form = fake.form();
    const QHash<QString, QWidget *> targets {{"list", form->Combo1}, {"set", form->Command1},
        {"stop", form->Command3}, {"form", form}, {"check", form->Check1}};
    if (target == QLatin1String("list") || target == QLatin1String("form")) {
        // The keys act whether or not the buttons are enabled.
        form->Command1->setEnabled(false);
        form->Command3->setEnabled(false);
    }

    if (character)
        QTest::keyClick(targets.value(target), character);
    else
        QTest::keyClick(targets.value(target), Qt::Key(key));
    const int check = form->check1Value();
    if (ending == QLatin1String("set")) {
        QCOMPARE(fake.m().receivePort, qint16(6));
        QCOMPARE(fake.ports->port(6).openCount, 1); // Set ran once
        QVERIFY(!fake.m().setupStopped);
    } else if (ending == QLatin1String("stop")) {
        QCOMPARE(fake.m().receivePort, qint16(0));
        QVERIFY(fake.m().setupStopped);
    } else {
        QCOMPARE(fake.m().receivePort, qint16(2));
        QVERIFY(form->isVisible());
        QCOMPARE(form->check1Value(), check);
    }
    QCOMPARE(fake.ports->port(6).output, QByteArray()); // the key picked no entry
}

void tst_SetupDialog::checkBoxToggle_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("after");

    QTest::newRow("W checks") << 0 << "W" << 1;
    QTest::newRow("w unchecks") << 1 << "w" << 0;
    QTest::newRow("W clears grey") << 2 << "W" << 0;
    QTest::newRow("x leaves it") << 1 << "x" << 1;
    QTest::newRow("click checks") << 0 << "click" << 1;
    QTest::newRow("click unchecks") << 1 << "click" << 0;
    QTest::newRow("click clears grey") << 2 << "click" << 0;
}

void tst_SetupDialog::checkBoxToggle()
{
    QFETCH(int, before);
    QFETCH(QString, input);
    QFETCH(int, after);
    SetupRig fake;
    QVERIFY(fake.openDialog(false, 0));
    QCheckBox *box = fake.form()->Check1;
    fake.form()->setCheck1Value(before);
    QCOMPARE(fake.form()->check1Value(), before);
    if (input == QLatin1String("click"))
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    else
        QTest::keyClicks(box, input);
    QCOMPARE(fake.form()->check1Value(), after);
    QVERIFY(fake.form()->isVisible());
}

QTEST_MAIN(tst_SetupDialog)
#include "tst_setupdialog.moc"
