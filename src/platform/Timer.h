#pragma once

#include <QDeadlineTimer>
#include <QObject>

class Clock;

// A window timer with an interval and an on/off switch. Each tick re-arms with a fresh timer id
// before the handler runs, so the next tick can arrive inside a waiting loop of the handler itself.
class Timer : public QObject
{
    Q_OBJECT
public:
    explicit Timer(int interval, bool enabled, QObject *parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int msecs);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // For timers whose only job is to see each change of the clock's second: sleep until just
    // after the next second boundary of this clock instead of waking every millisecond.
    void followSecondsOf(const Clock *clock);

signals:
    void timeout();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void rearm(int delay);
    int nextDelay() const;
    void onClockJumped();

    int m_interval;
    bool m_enabled;
    int m_timerId = 0;
    // A long sleep to a second boundary ends in a short final leg towards this deadline.
    QDeadlineTimer m_due;
    bool m_finalLegPending = false;
    const Clock *m_clock = nullptr;
};
