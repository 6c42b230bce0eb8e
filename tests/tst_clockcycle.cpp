#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"
#include "platform/Timer.h"
#include "receive/MainClockCycle.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/UserNotice.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

namespace {

QDateTime utc(int h, int m, int s)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s), QTimeZone::utc());
}
} // namespace

class tst_ClockCycle : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstTickWithReceivingOnSetsTheClock();
    void clockKeptByATimeServiceIsLeftToIt();
    void transmitOnlyAtSecondThirty();
    void hiddenWindowSkipsRefreshButSetsHourly();
    void receiveSwitchedOnMidHourSetsAtNextTick();
    void hourChangeDuringWaitingReceiveSetsAfterIt();
    void repluggedPortsAreOpenedAgain();
    void countdownCountsOncePerClockSecond();
    void searchButtonNeedsAnOpenPort();

private:
    Module1 &m() { return m_rig->m(); }
    Form1 *form() { return m_rig->app().form1(); }
    void tickAt(int h, int mi, int s);
    void streamSentences();

    std::unique_ptr<TestRig> m_rig;
    std::unique_ptr<PseudoTerminal> m_gps;
    std::unique_ptr<PseudoTerminal> m_clockOut;
    QTimer m_stream;
};

void tst_ClockCycle::init()
{
    m_rig = std::make_unique<TestRig>(utc(10, 25, 40));
    m_gps = std::make_unique<PseudoTerminal>();
    m_gps->linkAsPort(m_rig->folder(), 1);
    m_clockOut = std::make_unique<PseudoTerminal>();
    m_clockOut->linkAsPort(m_rig->folder(), 2);
    Form5 *form5 = m_rig->app().form5();
    form5->setCheck1Value(0);
    m().receivePort = 1;
    m().transmitPort = 2;
    openAt2400(form5->MSComm1, 1);
    openAt2400(form5->MSComm2, 2);
    connect(&m_stream, &QTimer::timeout, this, [this] { m_gps->write(kSettableSentence); });
}

void tst_ClockCycle::cleanup()
{
    m_stream.stop();
    m_rig.reset();
}

void tst_ClockCycle::tickAt(int h, int mi, int s)
{
    m_rig->clock().setUtc(utc(h, mi, s));
    form()->Timer1_Timer();
}

void tst_ClockCycle::streamSentences()
{
    m_stream.start(20);
}

void tst_ClockCycle::firstTickWithReceivingOnSetsTheClock()
{
    form()->menuSetRcv->setChecked(true);
    streamSentences();
    form()->Timer1->setEnabled(true);
    m_rig->clock().advance(0); // the clock is looked at at once
    QTRY_COMPARE(m_rig->clock().setCount(), 1);
    QCOMPARE(m_rig->clock().toLocal(m_rig->clock().lastSetMSecs()).time(), QTime(12, 35, 19));
}

void tst_ClockCycle::clockKeptByATimeServiceIsLeftToIt()
{
    // Another service keeps the clock synchronised: the scheduled setting leaves it and says so
    // once; the display goes on, and "Set Time" still sets.
    m_rig->clock().setKeptSynchronised(true);
    QSignalSpy told(&m_rig->app().userNotice(), &UserNotice::shown);
    form()->menuSetRcv->setChecked(true);
    streamSentences();
    tickAt(10, 25, 41);
    QCOMPARE(m_rig->clock().setCount(), 0);
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
    QTRY_COMPARE(told.count(), 1);
    QVERIFY(told.first().first().toString().contains(QStringLiteral("leaves the clock alone")));
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), 1);
}

void tst_ClockCycle::transmitOnlyAtSecondThirty()
{
    form()->menuSetTrans->setChecked(true);
    tickAt(10, 25, 29);
    tickAt(10, 25, 29); // the same second again does nothing
    QCOMPARE(m().lastClockText, QStringLiteral("10:25:29"));
    QCOMPARE(m_rig->clock().wantedOnTime(), utc(10, 25, 30).toMSecsSinceEpoch());
    QByteArray sent;
    QCOMPARE(sent += m_clockOut->readAvailable(), QByteArray());
    tickAt(10, 25, 30);
    QTRY_VERIFY((sent += m_clockOut->readAvailable()).endsWith("\r\n"));
    QVERIFY(sent.startsWith("$GPRMC,102530,A,"));
    QCOMPARE(m_rig->clock().wantedOnTime(), utc(10, 26, 30).toMSecsSinceEpoch());
    tickAt(10, 25, 30);
    tickAt(10, 25, 31);
    QCOMPARE(m_clockOut->readAvailable(), QByteArray());
    QCOMPARE(m_rig->clock().setCount(), 0); // receiving is off
    QCOMPARE(m().lastClockText, QStringLiteral("10:25:31"));
}

void tst_ClockCycle::hiddenWindowSkipsRefreshButSetsHourly()
{
    form()->menuSetRcv->setChecked(true);
    m().lastClockText = QStringLiteral("10:59:58");
    form()->Text2->setText(QStringLiteral("old"));
    streamSentences();
    tickAt(10, 59, 59);
    QCOMPARE(form()->Text2->text(), QStringLiteral("old"));
    QCOMPARE(m_rig->clock().setCount(), 0);
    tickAt(11, 0, 0);
    QCOMPARE(m_rig->clock().setCount(), 1);
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
}

void tst_ClockCycle::receiveSwitchedOnMidHourSetsAtNextTick()
{
    tickAt(10, 25, 39);
    form()->menuSetRcv->setChecked(true);
    m().lastClockText.clear(); // what switching receiving on does
    streamSentences();
    tickAt(10, 25, 40);
    QCOMPARE(m_rig->clock().setCount(), 1);
}

void tst_ClockCycle::hourChangeDuringWaitingReceiveSetsAfterIt()
{
    form()->menuSetRcv->setChecked(true);
    form()->show();
    m().lastClockText = QStringLiteral("10:59:58");
    m_rig->clock().setUtc(utc(10, 59, 59));
    // Inside the second-59 receive: the hour changes, then sentences arrive.
    int stage = 0;
    int polls = 0;
    QTimer script;
    connect(&script, &QTimer::timeout, this, [&] {
        if (stage == 0 && m().receiveBusy) {
            stage = 1;
            m_rig->clock().advance(1000);
        } else if (stage == 1 && m().lastClockText == QLatin1String("11:00:00")) {
            stage = 2;
        } else if (stage >= 2 && m().receiveBusy && ++polls % 4 == 0) {
            m_gps->write(kSettableSentence); // only to a search, so nothing piles up
        } else if (stage == 2 && !m().receiveBusy) {
            // The clock's next second brings the next tick.
            stage = 3;
            m_rig->clock().advance(1000);
        }
    });
    script.start(5);
    form()->Timer1->setEnabled(true);
    m_rig->clock().advance(0);
    // The hour's setting found the receive running and is made once it has returned.
    QTRY_VERIFY(m_rig->clock().setCount() > 0);
    QCOMPARE(stage, 3);
    QCOMPARE(m_rig->clock().toLocal(m_rig->clock().lastSetMSecs()).time(), QTime(12, 35, 19));
}

void tst_ClockCycle::repluggedPortsAreOpenedAgain()
{
    // Both devices unplugged while the program sits in the tray, then plugged back in.
    form()->menuSetRcv->setChecked(true);
    form()->menuSetTrans->setChecked(true);
    m().lastClockText = QStringLiteral("10:59:28");
    m_gps->hangUp();
    m_clockOut->hangUp();
    Form5 *form5 = m_rig->app().form5();
    QTRY_VERIFY(!form5->MSComm1.PortOpen() && !form5->MSComm2.PortOpen());
    tickAt(10, 59, 29);
    m_gps = std::make_unique<PseudoTerminal>();
    m_gps->linkAsPort(m_rig->folder(), 1);
    m_clockOut = std::make_unique<PseudoTerminal>();
    m_clockOut->linkAsPort(m_rig->folder(), 2);

    tickAt(10, 59, 30);
    QByteArray sent;
    QTRY_VERIFY((sent += m_clockOut->readAvailable()).endsWith("\r\n"));
    streamSentences();
    tickAt(11, 0, 0);
    QCOMPARE(m_rig->clock().setCount(), 1);
}

void tst_ClockCycle::countdownCountsOncePerClockSecond()
{
    m().receiveCountdown = 2;
    m().countdownLastTime.clear();
    form()->Timer3->setEnabled(true);
    form()->Timer3_Timer();
    form()->Timer3_Timer();
    QCOMPARE(m().receiveCountdown, qint16(1));
    m_rig->clock().advance(1000);
    form()->Timer3_Timer();
    m_rig->clock().advance(1000);
    form()->Timer3_Timer();
    QCOMPARE(m().receiveCountdown, qint16(-1));
    QVERIFY(!form()->Timer3->Enabled());
}

void tst_ClockCycle::searchButtonNeedsAnOpenPort()
{
    m_rig->app().form5()->MSComm1.setPortOpen(false);
    form()->Command3_Click();
    QVERIFY(form()->Text2->text().isEmpty());
    m_rig->app().form5()->MSComm1.setPortOpen(true);
    streamSentences();
    form()->Command3_Click();
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
    QCOMPARE(m_rig->clock().setCount(), 0);
}

QTEST_MAIN(tst_ClockCycle)
#include "tst_clockcycle.moc"
