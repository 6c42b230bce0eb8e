#pragma once

#include <QProcess>
#include <fcntl.h>
#include <unistd.h>

// Lets a child started from the test inherit no descriptor beyond its standard channels: the
// test's own pseudo-terminal ends must not stay open in the program or its peers, or a device
// the program has closed would still look open, and a hang-up would never come.
inline void inheritNoDescriptors(QProcess &process)
{
    process.setChildProcessModifier([] {
        // Runs between fork and exec: only async-signal-safe calls.
        if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
            return;
        for (int fd = 3; fd < 1024; ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    });
}

// Asks a process to end (SIGTERM), then kills it when it has not ended within the grace time.
inline void endProcess(QProcess &process, int graceMs = 5000)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (process.waitForFinished(graceMs))
        return;
    process.kill();
    process.waitForFinished(graceMs);
}
