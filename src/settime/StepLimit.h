/* The limit of one step of the clock in SETTIME_MIN_STEP_INTERVAL_SECONDS, kept across runs of
 * the helper: a stamp file holds the time of the last step on CLOCK_BOOTTIME, which no setting of
 * the wall clock moves. The file lives in a folder of the group horolux that the package (or
 * allow-clock.sh) prepares. */
#pragma once

struct StepLimit
{
    int fd;
    long long now_ns; /* CLOCK_BOOTTIME when the limit was taken */
};

/* NULL when the clock may be stepped now: the stamp is then open and locked in *limit until
 * step_limit_release(). Else why not: SETTIME_REASON_BUSY, or why the stamp cannot be kept
 * (written into `why`, of `capacity` bytes). */
const char *step_limit_take(const char *stamp, struct StepLimit *limit, char *why, int capacity);
/* Records a step made now, and releases the stamp. */
void step_limit_record(struct StepLimit *limit);
void step_limit_release(struct StepLimit *limit);
