#include "ManualClock.h"

ManualClock::ManualClock(const QDateTime &start, QObject *parent)
    : Clock(parent)
    , m_msecs(start.toMSecsSinceEpoch())
{ }

bool ManualClock::setCurrentMSecsSinceEpoch(qint64 msecs)
{
    if (m_refuseSet)
        return false;
    m_msecs = msecs;
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
    m_msecs += msecs;
    emit jumped();
}

void ManualClock::setUtc(const QDateTime &utc)
{
    m_msecs = utc.toMSecsSinceEpoch();
    emit jumped();
}
