/* Runs under the clock shim (LD_PRELOAD, HOROLUX_SHIM_START_MS, HOROLUX_SHIM_LOG set by the
 * test) and checks that the process sees its own clock, that settings are recorded and applied
 * to it, and that the machine's clock, read past the shim with raw system calls, stays put. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/timerfd.h>
#include <sys/timex.h>
#include <time.h>
#include <unistd.h>

static int failures;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "clockshim_probe:%d: check failed: %s\n", __LINE__, #condition);       \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static long long ms_of(const struct timespec *ts)
{
    return (long long)ts->tv_sec * 1000 + ts->tv_nsec / 1000000;
}

static long long ns_of(const struct timespec *ts)
{
    return (long long)ts->tv_sec * 1000000000 + ts->tv_nsec;
}

static long long read_ms(clockid_t clock)
{
    struct timespec ts;
    clock_gettime(clock, &ts);
    return ms_of(&ts);
}

/* The machine's own clocks, bypassing any interposed function. */
static long long machine_ms(clockid_t clock)
{
    struct timespec ts;
    syscall(SYS_clock_gettime, clock, &ts);
    return ms_of(&ts);
}

static int log_lines(const char *path, long long *lines, int capacity)
{
    FILE *file = fopen(path, "r");
    int count = 0;
    if (!file)
        return 0;
    while (count < capacity && fscanf(file, "%lld\n", &lines[count]) == 1)
        ++count;
    fclose(file);
    return count;
}

static void check_real_speed(void)
{
    struct timespec p1, p2, m1, m2;
    clock_gettime(CLOCK_REALTIME, &p1);
    clock_gettime(CLOCK_MONOTONIC, &m1);
    do
        clock_gettime(CLOCK_MONOTONIC, &m2);
    while (ns_of(&m2) - ns_of(&m1) < 2000000);
    clock_gettime(CLOCK_REALTIME, &p2);
    const long long privateSpan = ns_of(&p2) - ns_of(&p1);
    const long long monotonicSpan = ns_of(&m2) - ns_of(&m1);
    CHECK(privateSpan >= monotonicSpan);
    CHECK(privateSpan <= monotonicSpan + 1000000);
}

static void check_settings(const char *log, long long start_ms, long long machine_before)
{
    const long long target = start_ms + 3600123;
    const struct timespec set = {(time_t)(target / 1000), (long)(target % 1000) * 1000000};
    CHECK(clock_settime(CLOCK_REALTIME, &set) == 0);
    const long long after = read_ms(CLOCK_REALTIME);
    CHECK(after >= target && after < target + 1000);

    const struct timespec invalid = {(time_t)(target / 1000), 1000000000};
    errno = 0;
    CHECK(clock_settime(CLOCK_REALTIME, &invalid) == -1 && errno == EINVAL);

    const struct timeval tv = {(time_t)(start_ms / 1000) - 86400, 250000};
    CHECK(settimeofday(&tv, NULL) == 0);
    CHECK(time(NULL) - tv.tv_sec <= 1);

    long long lines[4];
    CHECK(log_lines(log, lines, 4) == 2);
    CHECK(lines[0] == target);
    CHECK(lines[1] == (long long)tv.tv_sec * 1000 + 250);
    /* The machine's clock did not move with it. */
    CHECK(llabs(machine_ms(CLOCK_REALTIME) - machine_before) < 5000);
}

static struct timespec private_in(long long ms)
{
    const long long due = read_ms(CLOCK_REALTIME) + ms;
    const struct timespec ts = {(time_t)(due / 1000), (long)(due % 1000) * 1000000};
    return ts;
}

/* Absolute deadlines on the private clock come due when the private clock reaches them. */
static void check_deadlines(void)
{
    const long long before = machine_ms(CLOCK_MONOTONIC);
    const struct timespec wake = private_in(150);
    CHECK(clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &wake, NULL) == 0);
    const long long slept = machine_ms(CLOCK_MONOTONIC) - before;
    CHECK(slept >= 140 && slept < 1000);
    CHECK(read_ms(CLOCK_REALTIME) >= ms_of(&wake));

    const int fd = timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC);
    CHECK(fd >= 0);
    struct itimerspec due = {{0, 0}, private_in(150)};
    CHECK(timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &due, NULL) == 0);
    struct itimerspec left;
    CHECK(timerfd_gettime(fd, &left) == 0 && ms_of(&left.it_value) <= 150);
    struct pollfd readable = {fd, POLLIN, 0};
    const long long armed = machine_ms(CLOCK_MONOTONIC);
    CHECK(poll(&readable, 1, 2000) == 1);
    const long long waited = machine_ms(CLOCK_MONOTONIC) - armed;
    CHECK(waited >= 140 && waited < 1000);
    uint64_t expirations = 0;
    CHECK(read(fd, &expirations, sizeof expirations) == sizeof expirations && expirations == 1);
    close(fd);
}

/* The kernel's clock status reads from the shim, synchronised only while the test's flag file
 * exists; no adjustment gets through. */
static void check_clock_status(const char *flag)
{
    unlink(flag);
    struct timex tx = {0};
    const int unsynchronised = adjtimex(&tx) == TIME_ERROR && (tx.status & STA_UNSYNC);
    CHECK(unsynchronised);
    CHECK(llabs((long long)tx.time.tv_sec * 1000 - read_ms(CLOCK_REALTIME)) < 2000);
    close(open(flag, O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    struct timex viaNtp = {0};
    struct timex viaClock = {0};
    const int synchronised = ntp_adjtime(&viaNtp) == TIME_OK && !(viaNtp.status & STA_UNSYNC)
        && clock_adjtime(CLOCK_REALTIME, &viaClock) == TIME_OK && !(viaClock.status & STA_UNSYNC);
    CHECK(synchronised);
    unlink(flag);
    /* Only once each call is seen to answer from the shim may an adjustment be tried. */
    if (!unsynchronised || !synchronised)
        return;
    struct
    {
        int (*call)(struct timex *);
        struct timex adjust;
    } adjustments[] = {
        {adjtimex, {.modes = ADJ_OFFSET | ADJ_NANO}},
        {ntp_adjtime, {.modes = ADJ_SETOFFSET | ADJ_NANO}},
    };
    for (size_t i = 0; i < sizeof adjustments / sizeof adjustments[0]; ++i) {
        errno = 0;
        CHECK(adjustments[i].call(&adjustments[i].adjust) == -1 && errno == EPERM);
    }
    struct timex stepBy = {.modes = ADJ_SETOFFSET | ADJ_NANO};
    errno = 0;
    CHECK(clock_adjtime(CLOCK_REALTIME, &stepBy) == -1 && errno == EPERM);
}

int main(void)
{
    const char *start = getenv("HOROLUX_SHIM_START_MS");
    const char *log = getenv("HOROLUX_SHIM_LOG");
    const char *synchronised = getenv("HOROLUX_SHIM_SYNCHRONISED");
    if (!start || !log || !synchronised || !getenv("LD_PRELOAD")) {
        fputs("clockshim_probe: run me under the shim\n", stderr);
        return 2;
    }
    unlink(log);
    const long long start_ms = atoll(start);
    const long long machine_before = machine_ms(CLOCK_REALTIME);

    const long long now = read_ms(CLOCK_REALTIME);
    if (now < start_ms || now > start_ms + 5000) {
        /* Without the shim a setting would move the machine's clock: stop here. */
        fprintf(stderr, "clockshim_probe: the shim is not in effect (%lld)\n", now);
        return 1;
    }
    struct timeval tv;
    gettimeofday(&tv, NULL);
    CHECK(llabs((long long)tv.tv_sec * 1000 + tv.tv_usec / 1000 - now) < 1000);
    CHECK(llabs((long long)time(NULL) * 1000 - now) < 2000);
    CHECK(llabs(read_ms(CLOCK_REALTIME_COARSE) - now) < 1000);
    CHECK(llabs(read_ms(CLOCK_MONOTONIC) - machine_ms(CLOCK_MONOTONIC)) < 1000);
    check_real_speed();
    check_settings(log, start_ms, machine_before);
    check_deadlines();
    check_clock_status(synchronised);
    /* The machine's clock did not move with any of it. */
    CHECK(llabs(machine_ms(CLOCK_REALTIME) - machine_before) < 10000);

    if (failures)
        return 1;
    puts("clockshim_probe: private clock read, set and recorded, deadlines kept on it, "
         "clock status answered; machine clock untouched");
    return 0;
}
