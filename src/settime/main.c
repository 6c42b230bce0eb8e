/* horolux-settime: the only part of Horolux that may set the system clock. It holds that right
 * as a file capability, so it trusts nothing it is handed: it reads no environment and no
 * arguments, keeps no descriptor but its standard three, takes one request a line on standard
 * input (see SetTimeProtocol.h) and answers each on standard output. It steps the clock at most
 * once in SETTIME_MIN_STEP_INTERVAL_SECONDS and logs every step to the system's authorisation
 * log. It ends when its input closes.
 *
 * Built for tests (HOROLUX_SETTIME_TEST_BUILD), it takes the stamp file of the step limit as its
 * one argument instead of HOROLUX_SETTIME_STAMP. */
#define _GNU_SOURCE
#include "LineReader.h"
#include "SetTimeProtocol.h"
#include "SetTimeRequest.h"
#include "StepLimit.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

/* Whatever the caller left open (a descriptor of its own, a terminal, a file) goes. */
static void close_inherited_descriptors(void)
{
    if (close_range(3, ~0U, 0) == 0)
        return;
    long last = sysconf(_SC_OPEN_MAX);
    if (last < 0 || last > 65536)
        last = 65536;
    for (int fd = 3; fd < last; ++fd)
        close(fd);
}

static void reply(const char *error)
{
    char text[SETTIME_MAX_ANSWER];
    const int length = error ? snprintf(text, sizeof text, SETTIME_ANSWER_ERROR "%.100s\n", error)
                             : snprintf(text, sizeof text, SETTIME_ANSWER_OK "\n");
    for (int sent = 0; sent < length;) {
        const ssize_t n = write(STDOUT_FILENO, text + sent, (size_t)(length - sent));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        sent += (int)n;
    }
}

static const char *step(const struct timespec *moment, const char *stamp, char *why, int capacity)
{
    struct StepLimit limit;
    const char *busy = step_limit_take(stamp, &limit, why, capacity);
    if (busy)
        return busy;
    struct timespec before;
    clock_gettime(CLOCK_REALTIME, &before);
    if (clock_settime(CLOCK_REALTIME, moment) != 0) {
        snprintf(why, (size_t)capacity, "%s", strerror(errno));
        step_limit_release(&limit);
        return why;
    }
    step_limit_record(&limit);
    syslog(LOG_NOTICE, "uid %u stepped the clock from %lld.%09ld to %lld.%09ld UTC",
        (unsigned)getuid(), (long long)before.tv_sec, before.tv_nsec, (long long)moment->tv_sec,
        moment->tv_nsec);
    return NULL;
}

static const char *answer(const struct Line *line, const char *stamp, char *why, int capacity)
{
    if (line->overlong)
        return "too long";
    struct timespec moment;
    const char *refused
        = settime_parse_request(line->text, line->length, HOROLUX_BUILD_EPOCH, &moment);
    return refused ? refused : step(&moment, stamp, why, capacity);
}

int main(int argc, char **argv)
{
    close_inherited_descriptors();
#ifdef HOROLUX_SETTIME_TEST_BUILD
    if (argc != 2) {
        fputs("usage: horolux-settime-test <stamp file>\n", stderr);
        return 2;
    }
    const char *stamp = argv[1];
#else
    (void)argc;
    (void)argv;
    const char *stamp = HOROLUX_SETTIME_STAMP;
#endif
    /* The stamp is shared with the other members of the group horolux. */
    umask(007);
    openlog("horolux-settime", LOG_PID, LOG_AUTHPRIV);
    struct LineReader reader = {STDIN_FILENO, 0, 0, {0}};
    struct Line line;
    while (line_reader_next(&reader, &line)) {
        char why[SETTIME_MAX_ANSWER];
        reply(answer(&line, stamp, why, sizeof why));
    }
    closelog();
    return 0;
}
