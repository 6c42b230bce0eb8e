#pragma once

#include "HistoryEntry.h"

#include <QList>
#include <QRectF>

// Where a moment and an offset land on the plot: time runs left to right over the plotted span,
// the computer clock minus GPS time bottom to top over a range of round steps that holds zero.
class HistoryPlotScale
{
public:
    // The value range that holds every decode (and where its setting moved it) in the span.
    static HistoryPlotScale fitted(const QList<HistoryEntry> &entries, qint64 fromMs, qint64 toMs);

    void setArea(const QRectF &area) { m_area = area; }
    QRectF area() const { return m_area; }
    qint64 fromMs() const { return m_fromMs; }
    qint64 toMs() const { return m_toMs; }

    double xFor(qint64 ms) const;
    double yFor(double offsetMs) const;
    // The values of the horizontal grid lines, from the bottom.
    QList<double> valueTicks() const;

private:
    qint64 m_fromMs = 0;
    qint64 m_toMs = 1;
    double m_lowMs = -10;
    double m_highMs = 10;
    double m_stepMs = 5;
    QRectF m_area {0, 0, 1, 1};
};
