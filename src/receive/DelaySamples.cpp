#include "DelaySamples.h"

#include <algorithm>

namespace {
constexpr qint64 kNanosPerMilli = 1000 * 1000;

QString secondsText(int millis)
{
    return QString::number(millis / 1000.0, 'f', 3);
}

qint64 roundedMillis(qint64 nanos)
{
    return (nanos >= 0 ? nanos + kNanosPerMilli / 2 : nanos - kNanosPerMilli / 2) / kNanosPerMilli;
}
} // namespace

std::optional<int> DelaySamples::agreedMillis() const
{
    QList<qint64> sorted = m_nanos;
    std::sort(sorted.begin(), sorted.end());
    qsizetype bestFirst = 0;
    qsizetype bestSize = 0;
    qsizetype first = 0;
    for (qsizetype last = 0; last < sorted.size(); ++last) {
        while (sorted[last] - sorted[first] > kAgreementNanos)
            ++first;
        if (last - first + 1 > bestSize) {
            bestFirst = first;
            bestSize = last - first + 1;
        }
    }
    if (bestSize < kNeeded)
        return std::nullopt;
    const qsizetype middle = bestFirst + bestSize / 2;
    const qint64 median = bestSize % 2
        ? sorted[middle]
        : sorted[middle - 1] + (sorted[middle] - sorted[middle - 1]) / 2;
    return int(roundedMillis(median));
}

QString DelaySamples::outOfRange(int millis)
{
    if (millis < 0)
        return QStringLiteral("The sentences begin %1 s before the second they name: the receiver "
                              "names the second to come, which no delay can express.")
            .arg(secondsText(-millis));
    if (millis > 1000)
        return QStringLiteral("The sentences begin %1 s after the second they name, more than a "
                              "second: the receiver names an earlier second, or something on the "
                              "way (an adapter, gpsd) holds them up.")
            .arg(secondsText(millis));
    return {};
}

QString DelaySamples::unsettled(int seconds) const
{
    if (m_nanos.isEmpty() && m_withoutFix > 0)
        return QStringLiteral("No sentence with a fix in %1 s: %2 said the receiver has none. "
                              "Try again when it has a fix.")
            .arg(seconds)
            .arg(m_withoutFix);
    if (m_nanos.isEmpty())
        return QStringLiteral("No sentence with a fix in %1 s: nothing came from the receiver.")
            .arg(seconds);
    if (m_nanos.size() < kNeeded)
        return QStringLiteral("Only %1 sentences with a fix in %2 s; %3 that agree are needed.")
            .arg(m_nanos.size())
            .arg(seconds)
            .arg(kNeeded);
    const auto [low, high] = std::minmax_element(m_nanos.cbegin(), m_nanos.cend());
    return QStringLiteral("%1 sentences, their delays spread over %2 ms: the receiver does not "
                          "send at a steady moment.")
        .arg(m_nanos.size())
        .arg(roundedMillis(*high - *low));
}
