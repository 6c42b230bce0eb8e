#include "ManualClock.h"

ManualClock::ManualClock(const QDateTime &start, QObject *parent)
    : Clock(parent)
    , m_msecs(start.toMSecsSinceEpoch())
{
    // Moved from inside tests and handlers: its seconds must not run ticks inside that call.
    setTicksAtOnce(false);
}

bool ManualClock::setCurrentMSecsSinceEpoch(qint64 msecs)
{
    if (m_refuseSet)
        return false;
    moveTo(msecs);
    m_lastSet = msecs;
    ++m_setCount;
    return true;
}

QDateTime ManualClock::toLocal(qint64 msecs) const
{
    return QDateTime::fromMSecsSinceEpoch(msecs, m_zone);
}

void ManualClock::advance(qint64 msecs)
{
    m_steadyMSecs += msecs;
    moveTo(m_msecs + msecs);
    emit jumped();
}

void ManualClock::setUtc(const QDateTime &utc)
{
    moveTo(utc.toMSecsSinceEpoch());
    emit jumped();
}

void ManualClock::moveTo(qint64 msecs)
{
    const bool crossed = floorDiv(msecs, 1000) != floorDiv(m_msecs, 1000);
    m_msecs = msecs;
    if (crossed && m_followed)
        emit secondBegan();
}
