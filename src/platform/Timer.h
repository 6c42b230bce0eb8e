#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>

class Clock;

// A window timer with an interval and an on/off switch. Each tick re-arms with a fresh timer id
// before the handler runs, so the next tick can arrive inside a waiting loop of the handler itself.
class Timer : public QObject
{
    Q_OBJECT
public:
    explicit Timer(int interval, bool enabled, QObject *parent = nullptr);
    ~Timer() override;

    int Interval() const { return m_interval; }
    void setInterval(int msecs);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // For timers whose only job is to see each change of the clock's second: tick on the
    // clock's own wake-up just after each second boundary, which followers share, and at once
    // when the clock is moved.
    void followSecondsOf(Clock *clock);
    // For timers whose ticks act only on a changed second of the clock: keep the interval's
    // grid from the switch-on but sleep through the ticks before the next second boundary.
    void skipTicksWithinSecondsOf(Clock *clock);
    // A follower of the clock's seconds takes no tick while this holds, as if it had nothing
    // to do then: the program is not woken for it.
    void restWhile(std::function<bool()> resting) { m_restWhile = std::move(resting); }
    // A follower whose work is due on the second itself ticks first, before the display work
    // of other followers of that second.
    void setLeadsEachSecond(bool leads) { m_leadsEachSecond = leads; }
    bool leadsEachSecond() const { return m_leadsEachSecond; }

    // For the clock it follows: whether it takes this second's tick, and the tick itself,
    // at once or queued.
    bool wantsTick() const;
    void tickNow();
    void queueTick();

signals:
    void timeout();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    enum class Mode { Interval, FollowSeconds, SkipWithinSeconds };

    void attach(Clock *clock, Mode mode);
    void rearm(int delay);
    void start();
    void stop();
    int delayToNewSecond() const;
    void onClockMoved();

    int m_interval;
    bool m_enabled;
    Mode m_mode = Mode::Interval;
    int m_timerId = 0;
    bool m_tickQueued = false;
    // The interval's grid of a timer that skips ticks starts at its switch-on.
    QElapsedTimer m_grid;
    qint64 m_nextTick = 0;
    QPointer<Clock> m_clock;
    bool m_following = false;
    bool m_leadsEachSecond = false;
    std::function<bool()> m_restWhile;
};
