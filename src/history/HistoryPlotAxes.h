#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>

class Clock;
class HistoryPlotScale;
class QPainter;
class QWidget;

// The frame around the plot: its margins, sized from the widget's font, the value axis on the
// left, the time axis in local time below, and the legend above.
namespace HistoryPlotAxes {

struct LegendItem
{
    QColor colour;
    QString text;
};

// Height of the band below the plot that holds the ticks of sent sentences.
constexpr int kTickBand = 7;

QRectF plotArea(const QWidget &plot, const HistoryPlotScale &scale);
void drawValueAxis(QPainter &painter, const QWidget &plot, const HistoryPlotScale &scale);
void drawTimeAxis(
    QPainter &painter, const QWidget &plot, const HistoryPlotScale &scale, const Clock &clock);
void drawLegend(QPainter &painter, const QWidget &plot, const HistoryPlotScale &scale,
    const QList<LegendItem> &items);

} // namespace HistoryPlotAxes
