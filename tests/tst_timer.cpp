#include "platform/ManualClock.h"
#include "platform/Timer.h"

#include <QTest>
#include <QTimeZone>

// Timers that follow the clock's seconds share the clock's wake-up, but tick as if each had
// its own: in creation order, and also while another one's handler waits in a loop.
class tst_Timer : public QObject
{
    Q_OBJECT
private slots:
    void followersTickInOrderAlsoDuringAWait();
    void disabledFollowerStaysQuiet();
    void leaderTicksFirstThoughSwitchedOnLast();
};

namespace {
QDateTime utc(int h, int m, int s, int ms)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s, ms), QTimeZone::utc());
}
} // namespace

void tst_Timer::followersTickInOrderAlsoDuringAWait()
{
    ManualClock clock(utc(10, 0, 0, 900));
    Timer first(1, true);
    Timer second(1, true);
    first.followSecondsOf(&clock);
    second.followSecondsOf(&clock);
    QStringList ticks;
    connect(&first, &Timer::timeout, this, [&] {
        ticks << QStringLiteral("first ") + clock.localTimeText();
        if (ticks.size() > 1)
            return;
        // A handler that waits for the next second, as a receive search does.
        clock.setCurrentMSecsSinceEpoch(clock.currentMSecsSinceEpoch() + 1000);
        QTRY_COMPARE(ticks.size(), 3);
    });
    connect(&second, &Timer::timeout, this,
        [&] { ticks << QStringLiteral("second ") + clock.localTimeText(); });

    clock.setCurrentMSecsSinceEpoch(clock.currentMSecsSinceEpoch() + 100);
    QTRY_COMPARE(ticks.size(), 3);
    QCOMPARE(ticks, QStringList({"first 10:00:01", "second 10:00:02", "first 10:00:02"}));
    // A moved clock is seen at once, within its second.
    clock.advance(100);
    QTRY_COMPARE(ticks.size(), 5);
    QCOMPARE(ticks.mid(3), QStringList({"first 10:00:02", "second 10:00:02"}));
}

void tst_Timer::disabledFollowerStaysQuiet()
{
    ManualClock clock(utc(10, 0, 0, 900));
    Timer timer(1, false);
    timer.followSecondsOf(&clock);
    int ticks = 0;
    connect(&timer, &Timer::timeout, this, [&] { ++ticks; });
    timer.setEnabled(true);
    clock.advance(200);
    timer.setEnabled(false);
    clock.advance(1000);
    QCoreApplication::processEvents();
    QCOMPARE(ticks, 0);
    timer.setEnabled(true);
    clock.advance(1000);
    QTRY_COMPARE(ticks, 1);
}

void tst_Timer::leaderTicksFirstThoughSwitchedOnLast()
{
    // The clock box's timer runs from the start; the schedule's, whose sentence is due on the
    // second, is switched on later and must still come first.
    ManualClock clock(utc(10, 0, 0, 900));
    Timer display(1, true);
    display.followSecondsOf(&clock);
    Timer schedule(1, false);
    schedule.setLeadsEachSecond(true);
    schedule.followSecondsOf(&clock);
    QStringList ticks;
    connect(&display, &Timer::timeout, this, [&] { ticks << QStringLiteral("display"); });
    connect(&schedule, &Timer::timeout, this, [&] { ticks << QStringLiteral("schedule"); });
    schedule.setEnabled(true);
    clock.advance(200);
    QTRY_COMPARE(ticks.size(), 2);
    QCOMPARE(ticks, QStringList({"schedule", "display"}));
}

QTEST_MAIN(tst_Timer)
#include "tst_timer.moc"
