#include "HistoryPlotScale.h"

#include <cmath>

namespace {
// 1, 2 or 5 times a power of ten, so that about four steps cover the span.
double niceStep(double span)
{
    const double raw = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw)
            return factor * power;
    }
    return 10 * power;
}
} // namespace

HistoryPlotScale HistoryPlotScale::fitted(
    const QList<HistoryEntry> &entries, qint64 fromMs, qint64 toMs)
{
    // Zero always shows: the line a setting brings the clock back to.
    double low = 0;
    double high = 0;
    for (const HistoryEntry &entry : entries) {
        if (entry.kind != HistoryEntry::Kind::Decode || entry.computerMs < fromMs)
            continue;
        const double after = double(entry.offsetMs + entry.stepMs.value_or(0));
        low = std::min({low, double(entry.offsetMs), after});
        high = std::max({high, double(entry.offsetMs), after});
    }
    if (high - low < 10) {
        low -= 5;
        high += 5;
    }
    // Room above and below the outermost points, so that none sits on the frame.
    const double pad = (high - low) * 0.08;
    high += high > 0 ? pad : 0;
    low -= low < 0 ? pad : 0;
    HistoryPlotScale scale;
    scale.m_fromMs = fromMs;
    scale.m_toMs = std::max(toMs, fromMs + 1);
    scale.m_stepMs = niceStep(high - low);
    scale.m_lowMs = std::floor(low / scale.m_stepMs) * scale.m_stepMs;
    scale.m_highMs = std::ceil(high / scale.m_stepMs) * scale.m_stepMs;
    return scale;
}

double HistoryPlotScale::xFor(qint64 ms) const
{
    return m_area.left() + m_area.width() * double(ms - m_fromMs) / double(m_toMs - m_fromMs);
}

double HistoryPlotScale::yFor(double offsetMs) const
{
    return m_area.bottom() - m_area.height() * (offsetMs - m_lowMs) / (m_highMs - m_lowMs);
}

QList<double> HistoryPlotScale::valueTicks() const
{
    QList<double> ticks;
    const int count = int(std::lround((m_highMs - m_lowMs) / m_stepMs));
    for (int i = 0; i <= count; ++i)
        ticks.append(m_lowMs + i * m_stepMs);
    return ticks;
}
