#include "SystemClock.h"

#include "ClockHelper.h"
#include "common/Log.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

SystemClock::SystemClock(const QString &helperProgram, QObject *parent)
    : Clock(parent)
    , m_helper(::getuid() == 0 ? nullptr : std::make_unique<ClockHelper>(helperProgram))
{ }

SystemClock::~SystemClock() = default;

qint64 SystemClock::currentMSecsSinceEpoch() const
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

QString SystemClock::setDirectly(qint64 msecs)
{
    timespec ts {};
    ts.tv_sec = time_t(msecs / 1000);
    ts.tv_nsec = long(msecs % 1000) * 1000000;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return {};
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool SystemClock::setCurrentMSecsSinceEpoch(qint64 msecs)
{
    // The helper takes whole seconds; every setting of the program names one.
    const QString refused = m_helper ? m_helper->setSeconds(msecs / 1000) : setDirectly(msecs);
    if (refused.isEmpty())
        return true;
    // Say once why the clock stays as it is; the user is told through setRefused().
    if (!m_refusalReported) {
        m_refusalReported = true;
        qCWarning(lcHorolux, "the system clock cannot be set: %s (%s)", qUtf8Printable(refused),
            qUtf8Printable(howToAllowSetting()));
    }
    return false;
}

QDateTime SystemClock::toLocal(qint64 msecs) const
{
    return QDateTime::fromMSecsSinceEpoch(msecs);
}
