#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

// Small shared pieces of the benchmark programs: time stamps, statistics, the sentence they
// feed and the result rows that bench/run-all.sh gathers into docs/performance.md.
namespace Bench {

using Steady = std::chrono::steady_clock;

inline double msBetween(Steady::time_point from, Steady::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The machine's wall clock in milliseconds since the epoch, with a fraction.
inline double wallMs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Nearest-rank percentile, p in [0, 1].
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1) + 0.5)];
}

inline double median(const std::vector<double> &values)
{
    return percentile(values, 0.5);
}
inline double maximum(const std::vector<double> &values)
{
    return percentile(values, 1.0);
}

inline QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

inline QString ratio(double ours, double reference)
{
    if (reference <= 0.0)
        return QStringLiteral("-");
    return number(ours / reference, ours / reference < 10.0 ? 2 : 1);
}

inline QString met(bool ok)
{
    return ok ? QStringLiteral("yes") : QStringLiteral("**no**");
}

// One line of the results table, recognised by run-all.sh by its first field.
inline void row(const QString &what, const QString &ours, const QString &reference,
    const QString &ratioText, const QString &target, const QString &metText)
{
    const QString line
        = QStringList {QStringLiteral("ROW"), what, ours, reference, ratioText, target, metText}
              .join(QLatin1Char('|'));
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// A complete $GPRMC sentence for the given UTC moment (whole seconds), locked, with checksum.
inline QByteArray rmcSentence(const QDateTime &utc)
{
    const QByteArray body = "GPRMC," + utc.toString(QStringLiteral("HHmmss")).toLatin1()
        + ",A,4807.038,N,01131.000,E,022.4,084.4,"
        + utc.toString(QStringLiteral("ddMMyy")).toLatin1() + ",003.1,W";
    quint8 sum = 0;
    for (char c : body)
        sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

inline QDateTime utcWholeSecondNow()
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(ms - ms % 1000, QTimeZone::utc());
}

} // namespace Bench
