#include "FakeClockHelper.h"
#include "platform/ClockHelper.h"
#include "platform/SystemClock.h"
#include "platform/Timer.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

// The computer clock's local time, read without setting anything; settings go to a fake helper.
class tst_SystemClock : public QObject
{
    Q_OBJECT
private slots:
    void localTimeAsQtHasIt_data();
    void localTimeAsQtHasIt();
    void secondWantedOnTimeBeginsOnIt();
    void secondsComeInsideAWaitingHandler();
    void helperIsAskedForTheMillisecond();
    void stepTooSoonIsNoWantOfRight();
};

void tst_SystemClock::localTimeAsQtHasIt_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("utc");
    const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
    };
    // Each row a minute of its own, so the zone is looked up afresh for it.
    QTest::newRow("Berlin, winter") << QByteArray("Europe/Berlin") << utc(2031, 1, 5, 12, 1, 2, 3);
    QTest::newRow("Berlin, last second before summer time")
        << QByteArray("Europe/Berlin") << utc(2031, 3, 30, 0, 59, 59, 999);
    QTest::newRow("Berlin, summer time")
        << QByteArray("Europe/Berlin") << utc(2031, 3, 30, 1, 0, 0, 0);
    QTest::newRow("New York, back to winter")
        << QByteArray("America/New_York") << utc(2031, 11, 2, 6, 0, 1, 500);
    QTest::newRow("Kathmandu, before 1970")
        << QByteArray("Asia/Kathmandu") << utc(1969, 12, 31, 23, 59, 58, 250);
    // The time of day is worked out from the minute's offset only where one offset holds.
    QTest::newRow("Monrovia, a change inside a minute")
        << QByteArray("Africa/Monrovia") << utc(1972, 1, 7, 0, 44, 40, 0);
    QTest::newRow("Berlin counting leap seconds")
        << QByteArray("right/Europe/Berlin") << utc(2031, 1, 5, 12, 1, 2, 3);
}

void tst_SystemClock::localTimeAsQtHasIt()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, utc);
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", zone);
    const SystemClock clock {QString()};
    const QDateTime ours = clock.toLocal(utc.toMSecsSinceEpoch());
    const QDateTime qts = QDateTime::fromMSecsSinceEpoch(utc.toMSecsSinceEpoch());
    const QTime timeOfDay = clock.localTimeOfDay(utc.toMSecsSinceEpoch());
    // The same with the zone looked up ahead, during the minute before.
    const SystemClock ahead {QString()};
    ahead.localTimeOfDay(utc.toMSecsSinceEpoch() - 60 * 1000);
    ahead.lookUpZoneAhead(utc.toMSecsSinceEpoch());
    const QTime timeOfDayAhead = ahead.localTimeOfDay(utc.toMSecsSinceEpoch());
    qputenv("TZ", before);
    // A zone counting leap seconds has no offset from UTC that names the same moment.
    if (!zone.startsWith("right/"))
        QCOMPARE(ours.toMSecsSinceEpoch(), utc.toMSecsSinceEpoch());
    QCOMPARE(ours.date(), qts.date());
    QCOMPARE(ours.time(), qts.time());
    QCOMPARE(timeOfDay, qts.time());
    QCOMPARE(timeOfDayAhead, qts.time());
}

void tst_SystemClock::secondWantedOnTimeBeginsOnIt()
{
    // Woken early for it, the clock must still not begin the second before its start.
    SystemClock clock {QString()};
    Timer follower(1, true);
    follower.followSecondsOf(&clock);
    qint64 began = 0;
    connect(&clock, &Clock::secondBegan, this, [&] {
        if (!began)
            began = clock.currentMSecsSinceEpoch();
    });
    const qint64 wanted = (clock.currentMSecsSinceEpoch() / 1000 + 1) * 1000;
    clock.wantOnTime(wanted);
    QSignalSpy beginning(&clock, &Clock::secondBegan);
    QVERIFY(beginning.wait(3000));
    QVERIFY(began >= wanted);
    QVERIFY(began < wanted + 500);
}

void tst_SystemClock::secondsComeInsideAWaitingHandler()
{
    // A handler waiting in a loop of its own (a message box, a search) still sees the seconds.
    SystemClock clock {QString()};
    Timer follower(1, true);
    follower.followSecondsOf(&clock);
    QEventLoop waiting;
    int ticks = 0;
    int waited = -1;
    connect(&follower, &Timer::timeout, this, [&] {
        if (++ticks > 1)
            return waiting.exit(0);
        QTimer::singleShot(3000, &waiting, [&] { waiting.exit(1); });
        waited = waiting.exec();
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
    QCOMPARE(waited, 0);
}

void tst_SystemClock::helperIsAskedForTheMillisecond()
{
    FakeClockHelper fake("echo ok");
    SystemClock clock(std::make_unique<ClockHelper>(fake.program()));
    QVERIFY(clock.setCurrentMSecsSinceEpoch(4102444000123));
    QCOMPARE(fake.requests(), QByteArray("4102444000.123\n"));
}

void tst_SystemClock::stepTooSoonIsNoWantOfRight()
{
    // A second "Set Time" within the helper's interval must not send the user to join a group.
    FakeClockHelper fake("echo 'error busy'");
    SystemClock clock(std::make_unique<ClockHelper>(fake.program()));
    QSignalSpy refused(&clock, &Clock::setRefused);
    QVERIFY(!clock.SetSystemTime(systemTimeFromMSecs(4102444000123)));
    QCOMPARE(refused.count(), 0);
}

QTEST_GUILESS_MAIN(tst_SystemClock)
#include "tst_systemclock.moc"
