#pragma once

#include <QtGlobal>

// When this program was built, in milliseconds since 1970 UTC: the time it was configured, or
// SOURCE_DATE_EPOCH for a reproducible build. A correct clock never reads earlier than this.
qint64 buildTimeMSecs();

// A receiver counts GPS weeks in ten bits, so it can name only 1024 weeks from wherever it
// places their start; a date beyond that from the build time is a receiver's wrong guess.
inline constexpr qint64 kWeekNumberWindowMSecs = qint64(1024) * 7 * 24 * 60 * 60 * 1000;

// Whether a clock setting to `msecs` lies from `floorMSecs` (buildTimeMSecs() in the program)
// to the end of the week-number window that starts there.
constexpr bool withinClockWindow(qint64 msecs, qint64 floorMSecs)
{
    return msecs >= floorMSecs && msecs - floorMSecs <= kWeekNumberWindowMSecs;
}
