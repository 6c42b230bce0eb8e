/* What the program and its clock-setting helper agree on, in one place for both sides. Plain C:
 * the helper is a C program, the program includes this from C++. */
#pragma once

/* A request is one line: whole seconds since 1970 UTC in plain digits, optionally followed by
 * SETTIME_FRACTION_MARK and 1 to SETTIME_MAX_FRACTION_DIGITS digits of a second. Nothing else
 * belongs in it: no sign, no space, no carriage return, no NUL. */
#define SETTIME_FRACTION_MARK '.'
#define SETTIME_MAX_SECOND_DIGITS 10
#define SETTIME_MAX_FRACTION_DIGITS 9
/* The longest request, its line end not counted. */
#define SETTIME_MAX_REQUEST (SETTIME_MAX_SECOND_DIGITS + 1 + SETTIME_MAX_FRACTION_DIGITS)

/* Accepted seconds run from the program's build to this much later: the 1024 weeks that a GPS
 * receiver's week number can name. */
#define SETTIME_WINDOW_SECONDS (1024LL * 7 * 24 * 60 * 60)

/* The clock is stepped at most once in this many seconds, across runs of the helper. */
#define SETTIME_MIN_STEP_INTERVAL_SECONDS 10

/* One answer line for each request line: SETTIME_ANSWER_OK, or SETTIME_ANSWER_ERROR followed by
 * the reason (SETTIME_REASON_BUSY when the clock was stepped too recently). */
#define SETTIME_ANSWER_OK "ok"
#define SETTIME_ANSWER_ERROR "error "
#define SETTIME_REASON_BUSY "busy"
/* The longest answer line, its end included; the program reads no more than this. */
#define SETTIME_MAX_ANSWER 128
