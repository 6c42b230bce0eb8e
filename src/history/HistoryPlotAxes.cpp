#include "HistoryPlotAxes.h"

#include "HistoryPlotScale.h"
#include "common/SystemTime.h"
#include "platform/Clock.h"

#include <QPainter>
#include <QWidget>

namespace {
constexpr qint64 kMinuteMs = 60 * 1000;
constexpr qint64 kHourMs = 60 * kMinuteMs;
constexpr qint64 kDayMs = 24 * kHourMs;
const QColor kGrid(232, 232, 232);

struct TimeGrid
{
    qint64 stepMs;
    int labelEvery;
    QString format;
};

TimeGrid timeGrid(qint64 spanMs)
{
    if (spanMs <= 3 * kHourMs)
        return {10 * kMinuteMs, 1, QStringLiteral("hh:mm")};
    if (spanMs <= 2 * kDayMs)
        return {kHourMs, 3, QStringLiteral("hh:mm")};
    if (spanMs <= 10 * kDayMs)
        return {6 * kHourMs, 4, QStringLiteral("ddd d")};
    return {kDayMs, 5, QStringLiteral("d MMM")};
}

QString valueText(double value)
{
    const qint64 ms = qint64(value);
    return (ms > 0 ? QStringLiteral("+") : QString()) + QString::number(ms);
}
} // namespace

QRectF HistoryPlotAxes::plotArea(const QWidget &plot, const HistoryPlotScale &scale)
{
    const QFontMetrics metrics = plot.fontMetrics();
    int labelWidth = metrics.horizontalAdvance(QStringLiteral("ms"));
    for (double value : scale.valueTicks())
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(valueText(value)));
    const int left = labelWidth + 10;
    // Two rows for the legend, so it fits a narrow window or a wide face.
    const int top = 2 * (metrics.height() + 2) + 6;
    const int bottom = kTickBand + metrics.height() + 6;
    return QRectF(left, top, std::max(10, plot.width() - left - 12),
        std::max(10, plot.height() - top - bottom));
}

void HistoryPlotAxes::drawValueAxis(
    QPainter &painter, const QWidget &plot, const HistoryPlotScale &scale)
{
    const QRectF area = scale.area();
    const QFontMetrics metrics = plot.fontMetrics();
    const QPalette &palette = plot.palette();
    for (double value : scale.valueTicks()) {
        const double y = scale.yFor(value);
        painter.setPen(
            value == 0 ? QPen(palette.color(QPalette::Dark), 1, Qt::DashLine) : QPen(kGrid, 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(palette.color(QPalette::Text));
        const QRectF label(0, y - metrics.height() / 2.0, area.left() - 6, metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, valueText(value));
    }
    // The unit heads the value labels, on the legend's first row.
    painter.drawText(QRectF(0, 2, area.left() - 6, metrics.height()),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("ms"));
}

void HistoryPlotAxes::drawTimeAxis(
    QPainter &painter, const QWidget &plot, const HistoryPlotScale &scale, const Clock &clock)
{
    const QRectF area = scale.area();
    const TimeGrid grid = timeGrid(scale.toMs() - scale.fromMs());
    // Lines fall on round hours and days of local time.
    const qint64 zone = qint64(clock.toLocal(scale.fromMs()).offsetFromUtc()) * 1000;
    const qint64 first
        = floorDiv(scale.fromMs() + zone + grid.stepMs - 1, grid.stepMs) * grid.stepMs - zone;
    const QFontMetrics metrics = plot.fontMetrics();
    double lastLabelEnd = -1e9;
    for (qint64 t = first; t <= scale.toMs(); t += grid.stepMs) {
        const double x = scale.xFor(t);
        painter.setPen(kGrid);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        if (floorMod(floorDiv(t + zone, grid.stepMs), grid.labelEvery) != 0)
            continue;
        const QString text = clock.toLocal(t).toString(grid.format);
        const double half = metrics.horizontalAdvance(text) / 2.0;
        // A label that would touch its neighbour or leave the widget is left out.
        if (x - half < lastLabelEnd + 8 || x - half < 0 || x + half > plot.width())
            continue;
        painter.setPen(plot.palette().color(QPalette::Text));
        painter.drawText(
            QRectF(x - half, area.bottom() + kTickBand + 2, 2 * half, metrics.height()),
            Qt::AlignCenter, text);
        lastLabelEnd = x + half;
    }
}

void HistoryPlotAxes::drawLegend(QPainter &painter, const QWidget &plot,
    const HistoryPlotScale &scale, const QList<LegendItem> &items)
{
    const QFontMetrics metrics = plot.fontMetrics();
    const double left = scale.area().left();
    const int line = metrics.height();
    // Left to right from the plot's left edge, on to a second row when the first is full.
    QPointF at(left, 2);
    for (const LegendItem &item : items) {
        const double itemWidth = line + metrics.horizontalAdvance(item.text);
        if (at.x() + itemWidth > plot.width() && at.x() > left)
            at = QPointF(left, at.y() + line + 2);
        painter.fillRect(QRectF(at.x(), at.y() + line / 4.0, line * 0.75, line / 2.0), item.colour);
        painter.setPen(plot.palette().color(QPalette::Text));
        painter.drawText(QRectF(at.x() + line, at.y(), itemWidth, line),
            Qt::AlignLeft | Qt::AlignVCenter, item.text);
        at.rx() += itemWidth + line;
    }
}
