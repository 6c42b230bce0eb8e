#include "Timer.h"

#include "Clock.h"

#include <QTimerEvent>
#include <utility>

Timer::Timer(int interval, bool enabled, QObject *parent)
    : QObject(parent)
    , m_interval(interval)
    , m_enabled(enabled)
{
    if (m_enabled)
        start();
}

Timer::~Timer()
{
    stop();
}

void Timer::setInterval(int msecs)
{
    m_interval = msecs;
    if (m_enabled)
        start();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_enabled)
        start();
    else
        stop();
}

void Timer::followSecondsOf(Clock *clock)
{
    attach(clock, Mode::FollowSeconds);
}

void Timer::skipTicksWithinSecondsOf(Clock *clock)
{
    attach(clock, Mode::SkipWithinSeconds);
}

void Timer::attach(Clock *clock, Mode mode)
{
    stop();
    if (m_clock)
        disconnect(m_clock, nullptr, this, nullptr);
    m_clock = clock;
    m_mode = clock ? mode : Mode::Interval;
    if (m_clock)
        connect(m_clock, &Clock::jumped, this, &Timer::onClockMoved);
    if (m_enabled)
        start();
}

void Timer::start()
{
    switch (m_mode) {
    case Mode::Interval:
        rearm(qMax(0, m_interval));
        break;
    case Mode::FollowSeconds:
        if (m_clock && !std::exchange(m_following, true))
            m_clock->addSecondFollower(this);
        break;
    case Mode::SkipWithinSeconds:
        m_grid.start();
        rearm(qMax(0, m_interval));
        break;
    }
}

void Timer::stop()
{
    rearm(-1);
    if (std::exchange(m_following, false) && m_clock)
        m_clock->removeSecondFollower(this);
}

void Timer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId)
        return;
    const bool skipping = m_mode == Mode::SkipWithinSeconds;
    rearm(!m_enabled ? -1 : skipping ? delayToNewSecond() : qMax(0, m_interval));
    if (m_enabled)
        emit timeout();
}

void Timer::rearm(int delay)
{
    if (m_timerId)
        killTimer(m_timerId);
    const auto type = m_mode == Mode::Interval ? Qt::CoarseTimer : Qt::PreciseTimer;
    m_timerId = delay >= 0 ? startTimer(delay, type) : 0;
    if (m_mode == Mode::SkipWithinSeconds)
        m_nextTick = m_grid.elapsed() + delay;
}

int Timer::delayToNewSecond() const
{
    // The first point of the grid at or after the clock's next second boundary: the ticks
    // before it would find the second they saw last.
    const qint64 elapsed = m_grid.elapsed();
    const qint64 boundary = elapsed + (m_clock ? m_clock->msecsToNextSecond() : 0);
    if (m_interval <= 0)
        return int(boundary - elapsed);
    const qint64 point = (boundary + m_interval - 1) / m_interval * m_interval;
    return int(point - elapsed);
}

bool Timer::wantsTick() const
{
    return m_enabled && !m_tickQueued && !(m_restWhile && m_restWhile());
}

void Timer::tickNow()
{
    if (m_enabled)
        emit timeout();
}

void Timer::queueTick()
{
    // Queued, as separate timers would be: a handler that waits in a loop of its own lets the
    // next follower tick on time. One tick at a time per timer.
    if (!m_enabled || std::exchange(m_tickQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_tickQueued = false;
            tickNow();
        },
        Qt::QueuedConnection);
}

void Timer::onClockMoved()
{
    // A moved clock is seen at once, not at the old second boundary.
    if (!m_enabled)
        return;
    if (m_mode == Mode::FollowSeconds) {
        if (wantsTick())
            queueTick();
    } else if (m_mode == Mode::SkipWithinSeconds && m_interval > 0) {
        // Back onto the next point of the grid, unless the next tick is due by then anyway.
        const qint64 elapsed = m_grid.elapsed();
        const qint64 point = (elapsed / m_interval + 1) * m_interval;
        if (m_nextTick > point)
            rearm(int(point - elapsed));
    }
}
