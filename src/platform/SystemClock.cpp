#include "SystemClock.h"

#include "common/Log.h"

#include <cerrno>
#include <cstring>
#include <ctime>

qint64 SystemClock::currentMSecsSinceEpoch() const
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool SystemClock::setCurrentMSecsSinceEpoch(qint64 msecs)
{
    timespec ts {};
    ts.tv_sec = time_t(msecs / 1000);
    ts.tv_nsec = long(msecs % 1000) * 1000000;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    // Say once why the clock stays as it is; the user is told through setRefused().
    if (!m_refusalReported) {
        m_refusalReported = true;
        const int error = errno;
        qCWarning(lcHorolux, "the system clock cannot be set: %s (%s)", std::strerror(error),
            qUtf8Printable(howToAllowSetting()));
    }
    return false;
}

QDateTime SystemClock::toLocal(qint64 msecs) const
{
    return QDateTime::fromMSecsSinceEpoch(msecs);
}
