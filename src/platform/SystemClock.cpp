#include "SystemClock.h"

#include "ClockHelper.h"
#include "DescriptorWatch.h"
#include "common/Log.h"
#include "settime/SetTimeProtocol.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <sys/timex.h>
#include <unistd.h>
#include <utility>

SystemClock::SystemClock(const QString &helperProgram, QObject *parent)
    : Clock(parent)
    , m_helper(::getuid() == 0 ? nullptr : std::make_unique<ClockHelper>(helperProgram))
{ }

SystemClock::SystemClock(std::unique_ptr<ClockHelper> helper, QObject *parent)
    : Clock(parent)
    , m_helper(std::move(helper))
{ }

SystemClock::~SystemClock()
{
    followSeconds(false);
}

qint64 SystemClock::currentMSecsSinceEpoch() const
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

QString SystemClock::setDirectly(qint64 msecs)
{
    timespec ts {};
    ts.tv_sec = time_t(floorDiv(msecs, 1000));
    ts.tv_nsec = long(floorMod(msecs, 1000)) * 1000000;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return {};
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool SystemClock::setCurrentMSecsSinceEpoch(qint64 msecs)
{
    const QString refused = m_helper ? m_helper->setMSecs(msecs) : setDirectly(msecs);
    if (refused.isEmpty()) {
        // A setting that never reached the kernel's clock (a private clock of a test) cancels
        // no timer: the deadline of the next second is set afresh on the new time.
        if (m_secondFd >= 0)
            armForNextSecond();
        return true;
    }
    // The helper steps the clock at most once in a while: a second step soon after the first
    // waits for the next setting, and the user has nothing to mend.
    m_lastRefusalBusy = refused == QLatin1String(SETTIME_REASON_BUSY);
    if (m_lastRefusalBusy) {
        qCInfo(lcHorolux, "a clock setting was skipped: the clock was set moments ago");
        return false;
    }
    // Say once why the clock stays as it is; the user is told through setRefused().
    if (!m_refusalReported) {
        m_refusalReported = true;
        qCWarning(lcHorolux, "the system clock cannot be set: %s (%s)", qUtf8Printable(refused),
            qUtf8Printable(howToAllowSetting()));
    }
    return false;
}

namespace {
constexpr qint64 kNanosPerSecond = 1000 * 1000 * 1000;
// How long before a second wanted on time the clock wakes: more than the machine takes to
// wake the event loop and run it to the second's work.
constexpr qint64 kEarlyNanos = 1000 * 1000;

int secondOfDay(qint64 localSeconds)
{
    return int(floorMod(localSeconds, 86400));
}

// The zone's offset when it gives the local time of every second of the minute: the same at
// its first and last second, and the local time that plain arithmetic makes of it is the C
// library's (not so in a zone that counts leap seconds).
std::optional<long> offsetThroughout(qint64 minute)
{
    tm first {};
    tm last {};
    const time_t start = time_t(minute * 60);
    const time_t end = start + 59;
    if (!::localtime_r(&start, &first) || !::localtime_r(&end, &last)
        || first.tm_gmtoff != last.tm_gmtoff)
        return std::nullopt;
    const int ofDay = secondOfDay(start + first.tm_gmtoff);
    if (ofDay != first.tm_hour * 3600 + first.tm_min * 60 + first.tm_sec)
        return std::nullopt;
    return first.tm_gmtoff;
}
} // namespace

SystemClock::ZoneMinute SystemClock::lookUpZone(qint64 minute)
{
    ::tzset();
    return {minute, offsetThroughout(minute)};
}

void SystemClock::lookUpZoneFor(qint64 msecs) const
{
    // Qt looks the time zone up again for every conversion (a read of /etc/localtime's state),
    // the costliest part of a hidden program's second. Looked up once a minute, a change of the
    // zone is still seen within a minute; summer time needs no lookup, the zone's rules hold it.
    const qint64 minute = floorDiv(msecs, 60000);
    if (minute == m_zone.minute)
        return;
    // What was looked up ahead serves only the minute right after the one before it: after a
    // jump of the clock the zone is looked up afresh.
    if (minute == m_nextZone.minute && minute == m_zone.minute + 1)
        m_zone = m_nextZone;
    else
        m_zone = lookUpZone(minute);
    m_nextZone = {};
}

void SystemClock::lookUpZoneAhead(qint64 msecs) const
{
    const qint64 minute = floorDiv(msecs, 60000);
    if (minute != m_zone.minute && minute != m_nextZone.minute)
        m_nextZone = lookUpZone(minute);
}

void SystemClock::prepareNextSecond() const
{
    lookUpZoneAhead(currentMSecsSinceEpoch() + 1000);
}

bool SystemClock::toLocalFields(qint64 msecs, tm &local) const
{
    lookUpZoneFor(msecs);
    const time_t seconds = time_t(floorDiv(msecs, 1000));
    return ::localtime_r(&seconds, &local) != nullptr;
}

QDateTime SystemClock::toLocal(qint64 msecs) const
{
    tm local {};
    if (!toLocalFields(msecs, local))
        return QDateTime::fromMSecsSinceEpoch(msecs);
    const qint64 millisecond = floorMod(msecs, 1000);
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const QTime time(local.tm_hour, local.tm_min, qMin(local.tm_sec, 59), int(millisecond));
    return QDateTime(date, time, Qt::OffsetFromUTC, int(local.tm_gmtoff));
}

QTime SystemClock::localTimeOfDay(qint64 msecs) const
{
    // Without a date and its zone: the hidden program's every second needs only this, and
    // within a minute whose offset is known, not even the C library's zone lookup.
    const int millisecond = int(floorMod(msecs, 1000));
    lookUpZoneFor(msecs);
    if (m_zone.offset) {
        const int ofDay = secondOfDay(floorDiv(msecs, 1000) + *m_zone.offset);
        return QTime(ofDay / 3600, ofDay / 60 % 60, ofDay % 60, millisecond);
    }
    tm local {};
    if (!toLocalFields(msecs, local))
        return Clock::localTimeOfDay(msecs);
    return QTime(local.tm_hour, local.tm_min, qMin(local.tm_sec, 59), millisecond);
}

void SystemClock::followSeconds(bool on)
{
    if (!on) {
        m_secondWatch.reset();
        if (m_secondFd >= 0)
            ::close(m_secondFd);
        m_secondFd = -1;
        return;
    }
    m_secondFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_secondFd < 0) {
        qCWarning(lcHorolux, "no timer for the clock's seconds: %s", std::strerror(errno));
        Clock::followSeconds(true);
        return;
    }
    m_secondWatch = std::make_unique<DescriptorWatch>(m_secondFd, [this] { onSecondDue(); });
    armForNextSecond();
}

void SystemClock::armForNextSecond()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    m_secondDue = now.tv_sec + 1;
    m_wakingEarly = false;
    itimerspec due {};
    due.it_value.tv_sec = m_secondDue;
    // It repeats on its own, each second of the clock until the clock is set: a second then
    // costs no call to arm it again.
    due.it_interval.tv_sec = 1;
    // Cancelled when anyone sets the clock, so that a clock set back is not waited for.
    ::timerfd_settime(m_secondFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &due, nullptr);
}

void SystemClock::wantOnTime(qint64 msecs)
{
    if (m_secondFd >= 0 && !m_wakingEarly && floorDiv(msecs, 1000) == m_secondDue)
        armEarlyForNextSecond();
}

void SystemClock::armEarlyForNextSecond()
{
    const qint64 at = m_secondDue * kNanosPerSecond - kEarlyNanos;
    itimerspec due {};
    due.it_value.tv_sec = time_t(floorDiv(at, kNanosPerSecond));
    due.it_value.tv_nsec = long(floorMod(at, kNanosPerSecond));
    // Once only: the second itself then arms the wake-up at each second again.
    const int flags = TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET;
    m_wakingEarly = ::timerfd_settime(m_secondFd, flags, &due, nullptr) == 0;
}

void SystemClock::sleepUntilSecondDue() const
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const qint64 left
        = m_secondDue * kNanosPerSecond - (qint64(now.tv_sec) * kNanosPerSecond + now.tv_nsec);
    // A timer never fires early, so more left than the early wake-up means the clock was moved:
    // the second is not waited for, and the event loop is never held longer than kEarlyNanos.
    // The sleep is on the steady clock, so a clock moved meanwhile cannot stretch it.
    if (left <= 0 || left > kEarlyNanos)
        return;
    const timespec wait {0, long(left)};
    // The default slack of the thread's timers would let this wake come up to 50 µs late.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    ::clock_nanosleep(CLOCK_MONOTONIC, 0, &wait, nullptr);
    ::prctl(PR_SET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
}

void SystemClock::onSecondDue()
{
    // Read first: an unread timerfd stays readable and would spin a nested waiting loop of a
    // follower; it is still armed for the following seconds, which tick inside such a loop too.
    // ECANCELED means the clock was set: its followers see that at once.
    std::uint64_t expirations = 0;
    const bool due = ::read(m_secondFd, &expirations, sizeof expirations) > 0;
    if (!due && errno != ECANCELED)
        return;
    if (std::exchange(m_wakingEarly, false)) {
        // Woken just before a second wanted on time: it begins here, once its start has come.
        if (due)
            sleepUntilSecondDue();
        armForNextSecond();
        emit secondBegan();
        return;
    }
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    // The last second that came; a private clock of a test may read a hair short of it, and is
    // then waited for from its own reading.
    const qint64 came = m_secondDue + qint64(expirations) - 1;
    const bool early = due && now.tv_sec < came;
    if (due && !early)
        m_secondDue = came + 1;
    else
        armForNextSecond();
    if (!early)
        emit secondBegan();
}

bool SystemClock::keptSynchronised() const
{
    // A read with no modes changes nothing and needs no right.
    timex status {};
    const int state = ::ntp_adjtime(&status);
    return state != -1 && state != TIME_ERROR && !(status.status & STA_UNSYNC);
}
