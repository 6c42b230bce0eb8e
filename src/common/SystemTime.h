#pragma once

#include <QtGlobal>
#include <optional>

// The clock record handed to and from the system clock: always UTC, fields in this order.
struct SYSTEMTIME
{
    quint16 wYear = 0;
    quint16 wMonth = 0;
    quint16 wDayOfWeek = 0; // 0 = Sunday
    quint16 wDay = 0;
    quint16 wHour = 0;
    quint16 wMinute = 0;
    quint16 wSecond = 0;
    quint16 wMilliseconds = 0;

    friend bool operator==(const SYSTEMTIME &, const SYSTEMTIME &) = default;
};

// Division rounding towards minus infinity: the second, minute or day a moment before 1970 is in.
constexpr qint64 floorDiv(qint64 value, qint64 by)
{
    return value >= 0 ? value / by : (value - by + 1) / by;
}

// The remainder that goes with floorDiv, never negative: the millisecond of a second, and so on.
constexpr qint64 floorMod(qint64 value, qint64 by)
{
    return value - floorDiv(value, by) * by;
}

SYSTEMTIME systemTimeFromMSecs(qint64 msecsSinceEpoch);
// Empty when the record names no real moment (month 0, 31 February, hour 24...).
std::optional<qint64> msecsFromSystemTime(const SYSTEMTIME &time);
