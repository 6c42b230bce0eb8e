#pragma once

#include "HistoryEntry.h"
#include "HistoryPlotScale.h"

#include <QList>
#include <QWidget>

class Clock;
class QPainter;

// The computer clock minus GPS time against time: decodes joined by a line, each setting a
// vertical step, decodes without a fix (status V) and spans without any decode marked as such,
// the sentences sent to the master clock as ticks on the time axis, notices at the top.
class HistoryPlot : public QWidget
{
    Q_OBJECT
public:
    // Decodes further apart than this leave a gap: a setting is due every hour.
    static constexpr qint64 kGapMs = 70 * 60 * 1000;

    static QColor lockedColour() { return {0, 90, 200}; }
    static QColor unlockedColour() { return {230, 120, 0}; }
    static QColor settingColour() { return {0, 150, 60}; }
    static QColor sentColour() { return {120, 40, 160}; }
    static QColor gapColour() { return {222, 222, 222}; }
    static QColor noticeColour() { return {200, 0, 0}; }

    explicit HistoryPlot(const Clock &clock, QWidget *parent = nullptr);

    // Entries oldest first, drawn over the time from fromMs to toMs; earlier ones only say
    // whether the span begins in a gap.
    void setEntries(const QList<HistoryEntry> &entries, qint64 fromMs, qint64 toMs);
    // Where moments and offsets land in the widget at its present size.
    HistoryPlotScale scale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The value under the pointer, in words; empty when the pointer is on none.
    void pointed(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QList<std::pair<qint64, qint64>> gaps() const;
    bool hasDecodeInSpan() const;
    void drawGaps(QPainter &painter, const HistoryPlotScale &scale) const;
    void drawSeries(QPainter &painter, const HistoryPlotScale &scale) const;
    void drawMarkers(QPainter &painter, const HistoryPlotScale &scale) const;
    void drawTicks(QPainter &painter, const HistoryPlotScale &scale) const;
    qsizetype decodeNear(const HistoryPlotScale &scale, double x) const;
    QString describe(const HistoryEntry &entry) const;
    QString localText(qint64 ms, const QString &format) const;

    const Clock &m_clock;
    QList<HistoryEntry> m_entries;
    HistoryPlotScale m_fitted;
    qsizetype m_pointed = -1;
};
