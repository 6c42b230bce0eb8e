#include "SystemTime.h"

#include <QDateTime>
#include <QTimeZone>

namespace {
constexpr qint64 kMSecsPerDay = 86400000;
constexpr qint64 kJulianDayOf1970 = 2440588;
} // namespace

SYSTEMTIME systemTimeFromMSecs(qint64 msecsSinceEpoch)
{
    // By day count, without a time zone object: the minute's sentence waits for this.
    const qint64 days = floorDiv(msecsSinceEpoch, kMSecsPerDay);
    const QDate date = QDate::fromJulianDay(days + kJulianDayOf1970);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(msecsSinceEpoch - days * kMSecsPerDay));
    SYSTEMTIME st;
    st.wYear = quint16(date.year());
    st.wMonth = quint16(date.month());
    st.wDayOfWeek = quint16(date.dayOfWeek() % 7);
    st.wDay = quint16(date.day());
    st.wHour = quint16(time.hour());
    st.wMinute = quint16(time.minute());
    st.wSecond = quint16(time.second());
    st.wMilliseconds = quint16(time.msec());
    return st;
}

std::optional<qint64> msecsFromSystemTime(const SYSTEMTIME &st)
{
    const QDate date(st.wYear, st.wMonth, st.wDay);
    const QTime time(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    if (st.wYear < 1601 || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc()).toMSecsSinceEpoch();
}
