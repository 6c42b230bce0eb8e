#include "FakeSerial.h"
#include "TestRig.h"
#include "platform/EventPump.h"
#include "platform/Timer.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "shell/Shutdown.h"
#include "shell/SingleInstance.h"
#include "shell/TrayIcon.h"
#include "shell/WindowVisibility.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <csignal>

// A program running with its receive port on COM3 and its transmit port on COM5, hidden in the
// tray, whose process end is recorded instead of carried out.
class tst_Shutdown : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void exitPathOrder();
    void exitReleasesTheSingleInstanceLock();
    void settingsBytes_data();
    void settingsBytes();
    void failedSettingsWriteStillReleasesEverything();
    void exitDuringAProbeClosesTheProbePort();
    void receiveWaitingAtExitEndsQuietly();
    void closeBoxOnlyHides();
    void duplicateLeavesWithoutSaving();
    void exitFromTrayMenuWhileHidden();
    void systemCloseRequests_data();
    void systemCloseRequests();
    void quitRequestOfTheWindowSystem();

private:
    Form1 *form() { return m_rig->app().form1(); }
    Form5 *form5() { return m_rig->app().form5(); }
    QByteArray settingsFile() const;

    FakeSerialFactory *m_ports = nullptr;
    std::unique_ptr<TestRig> m_rig;
    QList<int> m_ends;
};

void tst_Shutdown::init()
{
    auto ports = std::make_unique<FakeSerialFactory>();
    m_ports = ports.get();
    m_rig = std::make_unique<TestRig>(TestRig::defaultStart(), std::move(ports));
    m_ends.clear();
    m_rig->app().shutdown().setProcessEnd([this](int code) { m_ends << code; });
    Module1 &m = m_rig->m();
    m.receivePort = 3;
    m.transmitPort = 5;
    form5()->setCheck1Value(1);
    for (auto [port, number] : {std::pair {&form5()->MSComm1, 3}, {&form5()->MSComm2, 5}}) {
        port->setCommPort(number);
        port->setPortOpen(true);
    }
    form()->Timer1->setEnabled(true);
    m_rig->app().trayIcon().add();
}

void tst_Shutdown::cleanup()
{
    m_rig.reset();
}

QByteArray tst_Shutdown::settingsFile() const
{
    QFile file(m_rig->folder() + QStringLiteral("/GPSInit.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_Shutdown::exitPathOrder()
{
    struct Seen
    {
        QByteArray settings;
        bool receiveOpen = false;
        bool transmitOpen = false;
        bool trayIcon = false;
        bool timersOn = true;
        bool ended = false;
    };
    Seen firstPass;
    Seen secondPass;
    const auto look = [this](Seen &seen) {
        seen = {settingsFile(), m_ports->port(3).isOpen, m_ports->port(5).isOpen,
            m_rig->app().trayIcon().isInstalled(),
            form()->Timer1->Enabled() || form()->Timer4->Enabled(), !m_ends.isEmpty()};
    };
    // Each posted look runs in one of the exit path's passes over pending events.
    QTimer::singleShot(0, form(), [&] {
        look(firstPass);
        QTimer::singleShot(0, form(), [&] { look(secondPass); });
    });
    m_rig->app().menuCommands().menuMenuExit_Click();

    QVERIFY(m_rig->m().shuttingDown);
    QCOMPARE(firstPass.settings, QByteArray::fromHex("03FF05"));
    QVERIFY(firstPass.receiveOpen && firstPass.transmitOpen && firstPass.trayIcon);
    QVERIFY(!firstPass.timersOn && !firstPass.ended);
    QVERIFY(!secondPass.receiveOpen && !secondPass.transmitOpen && !secondPass.trayIcon);
    QVERIFY(!secondPass.ended);
    QCOMPARE(m_ends, QList<int> {0});
    QVERIFY(!m_rig->app().form4()->isVisible());
}

void tst_Shutdown::exitReleasesTheSingleInstanceLock()
{
    HoroluxApp &app = m_rig->app();
    auto held = std::make_unique<SingleInstance>(app.executableDir(), app.runtimeDir());
    QVERIFY(held->tryLock());
    app.holdSingleInstance(std::move(held));
    SingleInstance next(app.executableDir(), app.runtimeDir());
    QVERIFY(!next.tryLock());
    app.menuCommands().menuMenuExit_Click();
    QCOMPARE(m_ends, QList<int> {0});
    QVERIFY(next.tryLock());
}

void tst_Shutdown::settingsBytes_data()
{
    QTest::addColumn<int>("receivePort");
    QTest::addColumn<int>("check1");
    QTest::addColumn<int>("transmitPort");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("receive 3, wait, no transmit") << 3 << 1 << 0 << QByteArray::fromHex("03FF00");
    QTest::newRow("no wait, unusable number kept") << 12 << 0 << 5 << QByteArray::fromHex("0C0005");
}

void tst_Shutdown::settingsBytes()
{
    QFETCH(int, receivePort);
    QFETCH(int, check1);
    QFETCH(int, transmitPort);
    m_rig->m().receivePort = qint16(receivePort);
    m_rig->m().transmitPort = qint16(transmitPort);
    form5()->setCheck1Value(check1);
    m_rig->app().menuCommands().menuMenuExit_Click();
    QTEST(settingsFile(), "bytes");
}

void tst_Shutdown::failedSettingsWriteStillReleasesEverything()
{
    QVERIFY(QDir(m_rig->folder()).mkdir(QStringLiteral("GPSInit.ini")));
    m_rig->app().menuCommands().menuMenuExit_Click();
    QVERIFY(!m_ports->port(3).isOpen);
    QVERIFY(!m_ports->port(5).isOpen);
    QVERIFY(!m_rig->app().trayIcon().isInstalled());
    QCOMPARE(m_ends, QList<int> {0});
}

void tst_Shutdown::exitDuringAProbeClosesTheProbePort()
{
    // The process ends without unwinding the probe's wait, so the exit path closes its port.
    QVERIFY(form5()->MSComm3.openQuietly(4));
    m_rig->app().menuCommands().menuMenuExit_Click();
    QVERIFY(!m_ports->port(4).isOpen);
}

void tst_Shutdown::receiveWaitingAtExitEndsQuietly()
{
    // The receiver is silent: the search waits until the exit arrives inside it.
    QTimer::singleShot(0, form(), [this] { m_rig->app().menuCommands().menuMenuExit_Click(); });
    QVERIFY(!m_rig->app().receiveIntoClockFields());
    QCOMPARE(m_ends, QList<int> {0});
    QCOMPARE(settingsFile(), QByteArray::fromHex("03FF05"));
    QVERIFY(!m_ports->port(3).isOpen);
    QCOMPARE(m_ports->port(3).openCount, 1);
    QVERIFY(!m_rig->m().receiveBusy);
    QCOMPARE(form()->Text2->text(), QStringLiteral("Not Found"));
}

void tst_Shutdown::closeBoxOnlyHides()
{
    m_rig->app().windowVisibility().menuMenuHide_Click();
    m_rig->app().form4()->show();
    QVERIFY(form()->close() == false);
    QVERIFY(!form()->isVisible());
    QVERIFY(!m_rig->app().form4()->isVisible());
    QCOMPARE(form()->menuMenuHide->text(), QStringLiteral("&Show Horolux"));
    QVERIFY(!m_rig->m().shuttingDown);
    QVERIFY(m_ends.isEmpty());
    QVERIFY(m_ports->port(3).isOpen && m_ports->port(5).isOpen);
    QVERIFY(form()->Timer1->Enabled());

    // The tray brings it back.
    emit m_rig->app().trayIcon().systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(form()->isVisible());
}

void tst_Shutdown::duplicateLeavesWithoutSaving()
{
    m_rig->app().trayIcon().remove();
    m_rig->app().form4()->show();
    form()->Timer2->setEnabled(true);
    m_rig->app().shutdown().unloadMainWindow();
    QCOMPARE(m_ends, QList<int> {0});
    QVERIFY(!QFile::exists(m_rig->folder() + QStringLiteral("/GPSInit.ini")));
    QVERIFY(!m_rig->app().form4()->isVisible());
    QVERIFY(!m_rig->m().shuttingDown);
}

void tst_Shutdown::exitFromTrayMenuWhileHidden()
{
    emit m_rig->app().trayIcon().systemTrayIcon()->activated(QSystemTrayIcon::Context);
    QVERIFY(form()->menuMenuMain->isVisible());
    form()->menuMenuExit->trigger();
    QCOMPARE(m_ends, QList<int> {0});
    QCOMPARE(settingsFile(), QByteArray::fromHex("03FF05"));
    QVERIFY(!m_rig->app().trayIcon().isInstalled());
    QVERIFY(!m_ports->port(3).isOpen && !m_ports->port(5).isOpen);
}

void tst_Shutdown::systemCloseRequests_data()
{
    QTest::addColumn<QList<int>>("signalNumbers");
    QTest::addColumn<bool>("duringSetupWait");
    QTest::newRow("SIGTERM while hidden") << QList<int> {SIGTERM} << false;
    QTest::newRow("SIGTERM during a setup wait") << QList<int> {SIGTERM} << true;
    QTest::newRow("SIGHUP, SIGINT and SIGTERM together")
        << QList<int> {SIGHUP, SIGINT, SIGTERM} << true;
}

void tst_Shutdown::systemCloseRequests()
{
    QFETCH(QList<int>, signalNumbers);
    QFETCH(bool, duringSetupWait);
    m_rig->app().shutdown().installSystemCloseHandlers();
    for (int number : signalNumbers) {
        struct sigaction current = {};
        QVERIFY(::sigaction(number, nullptr, &current) == 0);
        QVERIFY(current.sa_handler != SIG_DFL); // else raising it would end the test
    }
    const auto raiseAll = [signalNumbers] {
        for (int number : signalNumbers)
            std::raise(number);
    };
    if (duringSetupWait) {
        QTimer::singleShot(0, form(), raiseAll);
        form()->menuSetRcv->trigger(); // waits until the dialog is done
        QVERIFY(!form5()->isVisible());
    } else {
        raiseAll();
    }
    QTRY_COMPARE(m_ends, QList<int> {0});
    QCOMPARE(settingsFile(), QByteArray::fromHex("03FF05"));
    QVERIFY(!m_ports->port(3).isOpen && !m_ports->port(5).isOpen);
    QVERIFY(!m_rig->app().trayIcon().isInstalled());
    // Later requests find the exit done.
    std::raise(SIGTERM);
    EventPump::processPending();
    QCOMPARE(m_ends, QList<int> {0});
}

void tst_Shutdown::quitRequestOfTheWindowSystem()
{
    m_rig->app().shutdown().installSystemCloseHandlers();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    QCOMPARE(m_ends, QList<int> {0});
    QCOMPARE(settingsFile(), QByteArray::fromHex("03FF05"));
}

QTEST_MAIN(tst_Shutdown)
#include "tst_shutdown.moc"
