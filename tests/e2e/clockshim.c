/* A private wall clock for one process, loaded with LD_PRELOAD by the end-to-end tests.
 *
 * HOROLUX_SHIM_START_MS  epoch milliseconds the clock starts from (default: the real time);
 *                        from there it runs at real speed, measured on CLOCK_MONOTONIC.
 * HOROLUX_SHIM_LOG       file that gets one line "epoch_ms" for every clock setting.
 *
 * clock_gettime(CLOCK_REALTIME and CLOCK_REALTIME_COARSE), gettimeofday and time read the
 * private clock; clock_settime(CLOCK_REALTIME) and settimeofday are recorded and move it. The
 * machine's clock is never touched; every other clock passes through to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

typedef int (*clock_gettime_fn)(clockid_t, struct timespec *);
typedef int (*clock_settime_fn)(clockid_t, const struct timespec *);

static clock_gettime_fn real_clock_gettime;
static clock_settime_fn real_clock_settime;
static pthread_once_t once = PTHREAD_ONCE_INIT;
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
/* The private clock read base_ns when CLOCK_MONOTONIC read mono_base_ns. */
static int64_t base_ns;
static int64_t mono_base_ns;

static const int64_t kNsPerSec = 1000000000;

static int64_t to_ns(const struct timespec *ts)
{
    return (int64_t)ts->tv_sec * kNsPerSec + ts->tv_nsec;
}

static int64_t monotonic_ns(void)
{
    struct timespec ts;
    real_clock_gettime(CLOCK_MONOTONIC, &ts);
    return to_ns(&ts);
}

static void init(void)
{
    real_clock_gettime = (clock_gettime_fn)dlsym(RTLD_NEXT, "clock_gettime");
    real_clock_settime = (clock_settime_fn)dlsym(RTLD_NEXT, "clock_settime");
    if (!real_clock_gettime || !real_clock_settime) {
        fputs("clockshim: the C library's clock functions were not found\n", stderr);
        abort();
    }
    const char *start = getenv("HOROLUX_SHIM_START_MS");
    char *end = NULL;
    const long long start_ms = start ? strtoll(start, &end, 10) : 0;
    if (start && *start && end && *end == '\0') {
        base_ns = (int64_t)start_ms * 1000000;
    } else {
        struct timespec now;
        real_clock_gettime(CLOCK_REALTIME, &now);
        base_ns = to_ns(&now);
    }
    mono_base_ns = monotonic_ns();
}

static int64_t private_now_ns(void)
{
    pthread_once(&once, init);
    pthread_mutex_lock(&lock);
    const int64_t now = base_ns + (monotonic_ns() - mono_base_ns);
    pthread_mutex_unlock(&lock);
    return now;
}

static void record(int64_t ns)
{
    const char *path = getenv("HOROLUX_SHIM_LOG");
    if (!path || !*path)
        return;
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const int64_t ms = ns >= 0 ? ns / 1000000 : -((-ns + 999999) / 1000000);
    char line[32];
    const int length = snprintf(line, sizeof line, "%lld\n", (long long)ms);
    if (write(fd, line, (size_t)length) != length)
        fputs("clockshim: cannot write the log\n", stderr);
    close(fd);
}

static void set_private(int64_t ns)
{
    pthread_once(&once, init);
    pthread_mutex_lock(&lock);
    record(ns);
    base_ns = ns;
    mono_base_ns = monotonic_ns();
    pthread_mutex_unlock(&lock);
}

static int is_private(clockid_t clock)
{
    return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

int clock_gettime(clockid_t clock, struct timespec *ts)
{
    pthread_once(&once, init);
    if (!is_private(clock))
        return real_clock_gettime(clock, ts);
    const int64_t now = private_now_ns();
    ts->tv_sec = (time_t)(now / kNsPerSec);
    ts->tv_nsec = (long)(now % kNsPerSec);
    if (ts->tv_nsec < 0) {
        ts->tv_nsec += kNsPerSec;
        ts->tv_sec -= 1;
    }
    return 0;
}

int clock_settime(clockid_t clock, const struct timespec *ts)
{
    pthread_once(&once, init);
    if (clock != CLOCK_REALTIME)
        return real_clock_settime(clock, ts);
    if (ts->tv_nsec < 0 || ts->tv_nsec >= kNsPerSec || ts->tv_sec < 0) {
        errno = EINVAL;
        return -1;
    }
    set_private(to_ns(ts));
    return 0;
}

int gettimeofday(struct timeval *tv, void *tz)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    tv->tv_sec = now.tv_sec;
    tv->tv_usec = now.tv_nsec / 1000;
    if (tz)
        memset(tz, 0, sizeof(struct timezone));
    return 0;
}

int settimeofday(const struct timeval *tv, const struct timezone *tz)
{
    (void)tz;
    if (tv->tv_usec < 0 || tv->tv_usec >= 1000000 || tv->tv_sec < 0) {
        errno = EINVAL;
        return -1;
    }
    set_private((int64_t)tv->tv_sec * kNsPerSec + (int64_t)tv->tv_usec * 1000);
    return 0;
}

time_t time(time_t *result)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    if (result)
        *result = now.tv_sec;
    return now.tv_sec;
}
