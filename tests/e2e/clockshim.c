/* A private wall clock for one process, loaded with LD_PRELOAD by the end-to-end tests.
 *
 * HOROLUX_SHIM_START_MS  epoch milliseconds the clock starts from (default: the real time);
 *                        from there it runs at real speed, measured on CLOCK_MONOTONIC.
 * HOROLUX_SHIM_LOG       file that gets one line "epoch_ms" for every clock setting, its
 *                        milliseconds kept (a setting to 12.3456 s logs 12345).
 * HOROLUX_SHIM_SYNCHRONISED  file whose existence, looked at on each call, makes the kernel's
 *                        clock status read "synchronised by another time service".
 *
 * clock_gettime(CLOCK_REALTIME and CLOCK_REALTIME_COARSE), gettimeofday and time read the
 * private clock; clock_settime(CLOCK_REALTIME) and settimeofday are recorded and move it. The
 * machine's clock is never touched; every other clock passes through to the C library.
 * Absolute CLOCK_REALTIME deadlines (clock_nanosleep with TIMER_ABSTIME, timerfd_settime with
 * TFD_TIMER_ABSTIME on a timerfd of CLOCK_REALTIME) are moved from the private timeline onto the
 * machine's. A setting of the private clock cancels no timerfd (TFD_TIMER_CANCEL_ON_SET): a
 * deadline already handed to the kernel stays where it was on the machine's timeline.
 * adjtimex, ntp_adjtime and clock_adjtime(CLOCK_REALTIME) answer a read (modes 0) from the
 * private clock: TIME_OK without STA_UNSYNC while the HOROLUX_SHIM_SYNCHRONISED file exists,
 * else TIME_ERROR with STA_UNSYNC. Any adjustment (modes other than 0, adjtime with a delta) is
 * refused with EPERM and never reaches the kernel. */
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
#include <sys/timerfd.h>
#include <sys/timex.h>
#include <time.h>
#include <unistd.h>

typedef int (*clock_gettime_fn)(clockid_t, struct timespec *);
typedef int (*clock_settime_fn)(clockid_t, const struct timespec *);
typedef int (*clock_nanosleep_fn)(clockid_t, int, const struct timespec *, struct timespec *);
typedef int (*timerfd_create_fn)(int, int);
typedef int (*timerfd_settime_fn)(int, int, const struct itimerspec *, struct itimerspec *);
typedef int (*clock_adjtime_fn)(clockid_t, struct timex *);

static clock_gettime_fn real_clock_gettime;
static clock_settime_fn real_clock_settime;
static clock_nanosleep_fn real_clock_nanosleep;
static timerfd_create_fn real_timerfd_create;
static timerfd_settime_fn real_timerfd_settime;
static clock_adjtime_fn real_clock_adjtime;
static pthread_once_t once = PTHREAD_ONCE_INIT;
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
/* The private clock read base_ns when CLOCK_MONOTONIC read mono_base_ns. */
static int64_t base_ns;
static int64_t mono_base_ns;
/* Which file descriptors are timerfds of CLOCK_REALTIME, as created in this process. */
enum { kTrackedFds = 4096 };
static unsigned char realtime_timerfd[kTrackedFds];

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
    real_clock_nanosleep = (clock_nanosleep_fn)dlsym(RTLD_NEXT, "clock_nanosleep");
    real_timerfd_create = (timerfd_create_fn)dlsym(RTLD_NEXT, "timerfd_create");
    real_timerfd_settime = (timerfd_settime_fn)dlsym(RTLD_NEXT, "timerfd_settime");
    real_clock_adjtime = (clock_adjtime_fn)dlsym(RTLD_NEXT, "clock_adjtime");
    if (!real_clock_gettime || !real_clock_settime || !real_clock_nanosleep || !real_timerfd_create
        || !real_timerfd_settime || !real_clock_adjtime) {
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

/* The machine's time at which the private clock reads the given deadline. */
static struct timespec to_machine(const struct timespec *private_deadline)
{
    struct timespec machine;
    real_clock_gettime(CLOCK_REALTIME, &machine);
    const int64_t offset = private_now_ns() - to_ns(&machine);
    const int64_t ns = to_ns(private_deadline) - offset;
    struct timespec result = {(time_t)(ns / kNsPerSec), (long)(ns % kNsPerSec)};
    if (result.tv_nsec < 0) {
        result.tv_nsec += kNsPerSec;
        result.tv_sec -= 1;
    }
    /* Long past on the machine's clock is simply past. */
    if (result.tv_sec < 0)
        result.tv_sec = result.tv_nsec = 0;
    if (result.tv_sec == 0 && result.tv_nsec == 0)
        result.tv_nsec = 1;
    return result;
}

int clock_nanosleep(
    clockid_t clock, int flags, const struct timespec *request, struct timespec *remain)
{
    pthread_once(&once, init);
    if (clock != CLOCK_REALTIME || !(flags & TIMER_ABSTIME))
        return real_clock_nanosleep(clock, flags, request, remain);
    if (request->tv_nsec < 0 || request->tv_nsec >= kNsPerSec)
        return EINVAL;
    const struct timespec machine = to_machine(request);
    return real_clock_nanosleep(clock, flags, &machine, remain);
}

int timerfd_create(int clock, int flags)
{
    pthread_once(&once, init);
    const int fd = real_timerfd_create(clock, flags);
    if (fd >= 0 && fd < kTrackedFds)
        realtime_timerfd[fd] = clock == CLOCK_REALTIME;
    return fd;
}

int timerfd_settime(int fd, int flags, const struct itimerspec *value, struct itimerspec *old_value)
{
    pthread_once(&once, init);
    const int absolute
        = (flags & TFD_TIMER_ABSTIME) && fd >= 0 && fd < kTrackedFds && realtime_timerfd[fd];
    /* A zero deadline disarms; timerfd_gettime answers in relative time and needs nothing. */
    if (!absolute || (value->it_value.tv_sec == 0 && value->it_value.tv_nsec == 0))
        return real_timerfd_settime(fd, flags, value, old_value);
    if (value->it_value.tv_nsec < 0 || value->it_value.tv_nsec >= kNsPerSec) {
        errno = EINVAL;
        return -1;
    }
    struct itimerspec machine = *value;
    machine.it_value = to_machine(&value->it_value);
    return real_timerfd_settime(fd, flags, &machine, old_value);
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

/* The kernel's clock status as a read shows it, from the private clock and the test's flag. */
static int read_status(struct timex *tx)
{
    if (tx->modes != 0) {
        errno = EPERM;
        return -1;
    }
    const char *flag = getenv("HOROLUX_SHIM_SYNCHRONISED");
    const int synchronised = flag && *flag && access(flag, F_OK) == 0;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    memset(tx, 0, sizeof *tx);
    tx->status = synchronised ? 0 : STA_UNSYNC;
    tx->maxerror = synchronised ? 1000 : 16000000;
    tx->esterror = synchronised ? 100 : 16000000;
    tx->constant = 2;
    tx->precision = 1;
    tx->tolerance = 32768000;
    tx->tick = 10000;
    tx->time.tv_sec = now.tv_sec;
    tx->time.tv_usec = now.tv_nsec / 1000;
    return synchronised ? TIME_OK : TIME_ERROR;
}

int adjtimex(struct timex *tx)
{
    return read_status(tx);
}

int ntp_adjtime(struct timex *tx)
{
    return read_status(tx);
}

int clock_adjtime(clockid_t clock, struct timex *tx)
{
    pthread_once(&once, init);
    if (clock == CLOCK_REALTIME || tx->modes != 0)
        return read_status(tx);
    return real_clock_adjtime(clock, tx);
}

int adjtime(const struct timeval *delta, struct timeval *olddelta)
{
    if (delta) {
        errno = EPERM;
        return -1;
    }
    if (olddelta)
        memset(olddelta, 0, sizeof *olddelta);
    return 0;
}
