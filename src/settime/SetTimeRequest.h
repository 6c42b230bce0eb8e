/* One request to the clock-setting helper (see SetTimeProtocol.h). */
#pragma once

#include <stddef.h>
#include <time.h>

/* NULL when the line (without its end) asks for a moment from `earliest` to `earliest` plus the
 * window, and then *moment holds it; else the reason the line is refused. */
const char *settime_parse_request(
    const char *line, size_t length, long long earliest, struct timespec *moment);
