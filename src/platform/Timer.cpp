#include "Timer.h"

#include "Clock.h"

#include <QTimerEvent>

namespace {
// The kernel may end a sleep up to 0.1 % of its length late; sleeping to just short of the
// boundary and then taking a short final leg keeps the boundary tick within a millisecond.
constexpr int kFinalLeg = 20;
} // namespace

Timer::Timer(int interval, bool enabled, QObject *parent)
    : QObject(parent)
    , m_interval(interval)
    , m_enabled(enabled)
{
    if (m_enabled)
        rearm(nextDelay());
}

void Timer::setInterval(int msecs)
{
    m_interval = msecs;
    if (m_enabled)
        rearm(nextDelay());
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    rearm(m_enabled ? nextDelay() : -1);
}

void Timer::followSecondsOf(const Clock *clock)
{
    if (m_clock)
        disconnect(m_clock, nullptr, this, nullptr);
    m_clock = clock;
    if (m_clock)
        connect(m_clock, &Clock::jumped, this, &Timer::onClockJumped);
    if (m_enabled)
        rearm(nextDelay());
}

void Timer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId)
        return;
    if (m_finalLegPending) {
        m_finalLegPending = false;
        killTimer(m_timerId);
        m_timerId = startTimer(int(m_due.remainingTime()), Qt::PreciseTimer);
        return;
    }
    rearm(m_enabled ? nextDelay() : -1);
    if (m_enabled)
        emit timeout();
}

void Timer::rearm(int delay)
{
    if (m_timerId)
        killTimer(m_timerId);
    m_finalLegPending = m_clock && delay > 2 * kFinalLeg;
    if (m_finalLegPending) {
        m_due = QDeadlineTimer(delay, Qt::PreciseTimer);
        m_timerId = startTimer(delay - kFinalLeg, Qt::PreciseTimer);
        return;
    }
    m_timerId = delay >= 0 ? startTimer(delay, m_clock ? Qt::PreciseTimer : Qt::CoarseTimer) : 0;
}

int Timer::nextDelay() const
{
    // No margin after the second boundary: the delay counts from the current millisecond
    // truncated and the event loop rounds timers up, so the wake never comes early.
    if (m_clock)
        return int(m_clock->msecsToNextSecond());
    return qMax(0, m_interval);
}

void Timer::onClockJumped()
{
    // A moved clock is seen at once, not at the old second boundary.
    if (m_enabled)
        rearm(0);
}
