#pragma once

#include "BenchReport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <unistd.h>

// What a running process has cost so far, read from /proc the same way for the program under
// measurement and for its reference, whether they are this process or another one.
namespace Bench {

struct Usage
{
    double cpuMs = 0; // time on a CPU, all live threads (schedstat, nanosecond resolution)
    double tickCpuMs = 0; // utime + stime of the whole process (clock-tick resolution)
    long switches = 0; // voluntary + involuntary context switches, all live threads
    Steady::time_point at;
};

struct Rate
{
    double cpuPercent = 0;
    double tickCpuPercent = 0;
    double wakeUpsPerSecond = 0;
    double seconds = 0;
};

inline QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number after "<key>:" in a /proc status file, 0 when absent.
inline long statusField(const QByteArray &status, const QByteArray &key)
{
    const qsizetype at = status.indexOf('\n' + key + ':');
    if (at < 0)
        return 0;
    const qsizetype start = at + key.size() + 2;
    const qsizetype end = status.indexOf('\n', start);
    return status.mid(start, end - start).trimmed().split(' ').constFirst().toLong();
}

inline Usage usageOf(qint64 pid)
{
    Usage usage;
    usage.at = Steady::now();
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    const QStringList tasks
        = QDir(base + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        const QString dir = base + QStringLiteral("/task/") + task;
        const QByteArray schedstat = readProcFile(dir + QStringLiteral("/schedstat"));
        usage.cpuMs += schedstat.split(' ').constFirst().toDouble() / 1e6;
        const QByteArray status = readProcFile(dir + QStringLiteral("/status"));
        usage.switches += statusField(status, "voluntary_ctxt_switches")
            + statusField(status, "nonvoluntary_ctxt_switches");
    }
    // Fields 14 and 15 of stat, counted after the command name in parentheses.
    const QByteArray stat = readProcFile(base + QStringLiteral("/stat"));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
        usage.tickCpuMs = double(fields[11].toLong() + fields[12].toLong()) * 1000.0
            / double(::sysconf(_SC_CLK_TCK));
    return usage;
}

inline Rate rateBetween(const Usage &before, const Usage &after)
{
    Rate rate;
    rate.seconds = msBetween(before.at, after.at) / 1000.0;
    if (rate.seconds <= 0)
        return rate;
    rate.cpuPercent = (after.cpuMs - before.cpuMs) / 10.0 / rate.seconds;
    rate.tickCpuPercent = (after.tickCpuMs - before.tickCpuMs) / 10.0 / rate.seconds;
    rate.wakeUpsPerSecond = double(after.switches - before.switches) / rate.seconds;
    return rate;
}

// Peak resident size in KiB (VmHWM).
inline long peakResidentKb(qint64 pid)
{
    return statusField(readProcFile(QStringLiteral("/proc/%1/status").arg(pid)), "VmHWM");
}

inline void printRate(const char *who, const Rate &rate)
{
    std::printf("  %-46s %7.3f %% CPU (ticks %6.3f %%), %6.2f wake-ups/s over %.1f s\n", who,
        rate.cpuPercent, rate.tickCpuPercent, rate.wakeUpsPerSecond, rate.seconds);
}

} // namespace Bench
