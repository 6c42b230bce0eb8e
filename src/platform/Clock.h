#pragma once

#include "common/SystemTime.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>

class Timer;

// Every reading and every change of the time goes through one of these.
class Clock : public QObject
{
    Q_OBJECT
public:
    explicit Clock(QObject *parent = nullptr);

    virtual qint64 currentMSecsSinceEpoch() const = 0;
    // False when the operating system refuses the change.
    virtual bool setCurrentMSecsSinceEpoch(qint64 msecs) = 0;
    // Whether the last refusal was for want of the right to set the clock, which the user can
    // give; one for another reason (a step too soon after the last) is not theirs to mend.
    virtual bool lastRefusalWantsRight() const { return true; }
    virtual QDateTime toLocal(qint64 msecs) const = 0;
    virtual QTime localTimeOfDay(qint64 msecs) const { return toLocal(msecs).time(); }
    // A clock that only runs forward, in nanoseconds from some fixed start: the time between two
    // moments, whatever happens to the wall clock in between.
    virtual qint64 steadyNanos() const;
    // Another service (NTP) keeps this clock synchronised, as the operating system says.
    virtual bool keptSynchronised() const { return false; }
    // Called after each second's ticks: the clock readies what its next second will need, so
    // that the work of that second, which is due on the second, waits for nothing.
    virtual void prepareNextSecond() const { }
    // Work is due exactly at `msecs`, a whole second of this clock: where the clock can, that
    // second begins as close to its start as the machine allows. Asked for each second anew.
    virtual void wantOnTime(qint64 msecs) { Q_UNUSED(msecs) }

    QDateTime localNow() const { return toLocal(currentMSecsSinceEpoch()); }
    // Local time as "hh:mm:ss", 24-hour.
    QString localTimeText() const;
    qint64 msecsToNextSecond() const;

    SYSTEMTIME GetSystemTime() const;
    // Refuses records that name no real moment, as the system call would.
    bool SetSystemTime(const SYSTEMTIME &time);

    // What the user does so that the program may set the clock; the one place that says it.
    static QString howToAllowSetting();

    // Timers that act on each change of the clock's second follow its seconds: while one or
    // more do, secondBegan() comes just after each second boundary of this clock.
    void addSecondFollower(Timer *timer);
    void removeSecondFollower(Timer *timer);
    // Starts or stops the wake-ups behind secondBegan(). This default sleeps on a precise Qt
    // timer to each boundary; the machine's clock and the test clock do better.
    virtual void followSeconds(bool on);

signals:
    // A second of this clock has just begun, or the clock was moved by someone else.
    void secondBegan();
    // The clock was moved (set by the program or, for a test clock, advanced).
    void jumped();
    // The operating system refused to set the clock.
    void setRefused();
    // SetSystemTime moved the clock by this much.
    void stepped(qint64 msecs);

protected:
    void timerEvent(QTimerEvent *event) override;
    // Off for a clock that begins its seconds from inside the program's own calls (a test clock
    // moved by a handler): its followers' ticks then all wait for the event loop.
    void setTicksAtOnce(bool atOnce) { m_ticksAtOnce = atOnce; }
    // For a clock whose time zone changed.
    void forgetLocalTimeText() { m_text = QString(); }

private:
    void tickFollowers();

    mutable QString m_text;
    mutable qint64 m_textSecond = 0;
    QList<QPointer<Timer>> m_followers;
    bool m_ticksAtOnce = true;
    int m_secondTimerId = 0;
};
