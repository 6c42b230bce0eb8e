#define _GNU_SOURCE
#include "StepLimit.h"

#include "SetTimeProtocol.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

/* 19 digits (any CLOCK_BOOTTIME in nanoseconds) and a line end. */
enum { kDigits = 19, kStampLength = kDigits + 1 };

static const long long kNsPerSecond = 1000000000LL;

/* The last step's time, or -1 when the stamp holds none (new, or not ours). */
static long long last_step(int fd)
{
    char text[kStampLength + 1];
    const ssize_t n = pread(fd, text, sizeof text, 0);
    if (n != kStampLength || text[kDigits] != '\n')
        return -1;
    long long value = 0;
    for (int i = 0; i < kDigits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

const char *step_limit_take(const char *stamp, struct StepLimit *limit, char *why, int capacity)
{
    struct timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    limit->now_ns = (long long)now.tv_sec * kNsPerSecond + now.tv_nsec;
    limit->fd = open(stamp, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0660);
    if (limit->fd < 0) {
        snprintf(
            why, (size_t)capacity, "no record of the last step in %s: %s", stamp, strerror(errno));
        return why;
    }
    /* A helper holding the lock is stepping the clock right now. */
    if (flock(limit->fd, LOCK_EX | LOCK_NB) != 0) {
        step_limit_release(limit);
        return SETTIME_REASON_BUSY;
    }
    /* A stamp ahead of now comes from before the machine last started: it limits nothing. */
    const long long last = last_step(limit->fd);
    if (last >= 0 && last <= limit->now_ns
        && limit->now_ns - last < SETTIME_MIN_STEP_INTERVAL_SECONDS * kNsPerSecond) {
        step_limit_release(limit);
        return SETTIME_REASON_BUSY;
    }
    return NULL;
}

void step_limit_record(struct StepLimit *limit)
{
    char text[kStampLength + 1];
    snprintf(text, sizeof text, "%0*lld\n", (int)kDigits, limit->now_ns);
    if (pwrite(limit->fd, text, kStampLength, 0) != kStampLength
        || ftruncate(limit->fd, kStampLength) != 0)
        fputs("horolux-settime: the time of this step could not be recorded\n", stderr);
    step_limit_release(limit);
}

void step_limit_release(struct StepLimit *limit)
{
    if (limit->fd >= 0)
        close(limit->fd);
    limit->fd = -1;
}
