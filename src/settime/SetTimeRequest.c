#include "SetTimeRequest.h"

#include "SetTimeProtocol.h"

#include <string.h>

static const char kMalformed[] = "not a number of seconds";
static const char kOutOfRange[] = "out of range";

/* The count of leading digits of [text, text + length). */
static size_t digits_in(const char *text, size_t length)
{
    size_t count = 0;
    while (count < length && text[count] >= '0' && text[count] <= '9')
        ++count;
    return count;
}

static long long value_of(const char *digits, size_t count)
{
    long long value = 0;
    for (size_t i = 0; i < count; ++i)
        value = value * 10 + (digits[i] - '0');
    return value;
}

const char *settime_parse_request(
    const char *line, size_t length, long long earliest, struct timespec *moment)
{
    if (length == 0)
        return "empty request";
    if (length > SETTIME_MAX_REQUEST)
        return "too long";
    const size_t whole = digits_in(line, length);
    if (whole == 0)
        return kMalformed;
    long nanoseconds = 0;
    if (whole < length) {
        /* Only a mark and 1 to 9 digits may follow, and nothing after them. */
        const char *fraction = line + whole + 1;
        const size_t fractionLength = length - whole - 1;
        if (line[whole] != SETTIME_FRACTION_MARK || fractionLength == 0
            || fractionLength > SETTIME_MAX_FRACTION_DIGITS
            || digits_in(fraction, fractionLength) != fractionLength)
            return kMalformed;
        nanoseconds = (long)value_of(fraction, fractionLength);
        for (size_t i = fractionLength; i < SETTIME_MAX_FRACTION_DIGITS; ++i)
            nanoseconds *= 10;
    }
    /* Checked before the value is worked out, so that it cannot overflow. */
    if (whole > SETTIME_MAX_SECOND_DIGITS)
        return kOutOfRange;
    const long long seconds = value_of(line, whole);
    if (seconds < earliest || seconds > earliest + SETTIME_WINDOW_SECONDS)
        return kOutOfRange;
    moment->tv_sec = (time_t)seconds;
    moment->tv_nsec = nanoseconds;
    return NULL;
}
