#include "SystemTime.h"

#include <QDateTime>
#include <QTimeZone>

SYSTEMTIME systemTimeFromMSecs(qint64 msecsSinceEpoch)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, QTimeZone::utc());
    const QDate date = utc.date();
    const QTime time = utc.time();
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
