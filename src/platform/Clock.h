#pragma once

#include "common/SystemTime.h"

#include <QDateTime>
#include <QObject>

// Every reading and every change of the time goes through one of these.
class Clock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual qint64 currentMSecsSinceEpoch() const = 0;
    // False when the operating system refuses the change.
    virtual bool setCurrentMSecsSinceEpoch(qint64 msecs) = 0;
    virtual QDateTime toLocal(qint64 msecs) const = 0;

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
    void addSecondFollower();
    void removeSecondFollower();

signals:
    // A second of this clock has just begun, or the clock was moved by someone else.
    void secondBegan();
    // The clock was moved (set by the program or, for a test clock, advanced).
    void jumped();
    // The operating system refused to set the clock.
    void setRefused();

protected:
    // Starts or stops the wake-ups behind secondBegan(). This default sleeps on a precise Qt
    // timer to each boundary; the machine's clock and the test clock do better.
    virtual void followSeconds(bool on);
    void timerEvent(QTimerEvent *event) override;
    // For a clock whose time zone changed.
    void forgetLocalTimeText() { m_text = QString(); }

private:
    mutable QString m_text;
    mutable qint64 m_textSecond = 0;
    int m_secondFollowers = 0;
    int m_secondTimerId = 0;
};
