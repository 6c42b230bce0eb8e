#include "HistoryPlot.h"

#include "HistoryPlotAxes.h"
#include "platform/Clock.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
constexpr double kPointReach = 10;

QString signedMs(qint64 ms)
{
    return (ms > 0 ? QStringLiteral("+") : QString()) + QString::number(ms);
}

bool isDecode(const HistoryEntry &entry)
{
    return entry.kind == HistoryEntry::Kind::Decode;
}
} // namespace

HistoryPlot::HistoryPlot(const Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_clock(clock)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEntries({}, 0, 1);
}

void HistoryPlot::setEntries(const QList<HistoryEntry> &entries, qint64 fromMs, qint64 toMs)
{
    m_entries = entries;
    m_fitted = HistoryPlotScale::fitted(entries, fromMs, toMs);
    m_pointed = -1;
    update();
}

HistoryPlotScale HistoryPlot::scale() const
{
    HistoryPlotScale scale = m_fitted;
    scale.setArea(HistoryPlotAxes::plotArea(*this, m_fitted));
    return scale;
}

QSize HistoryPlot::sizeHint() const
{
    const int line = fontMetrics().height();
    return {48 * line, 20 * line};
}

QSize HistoryPlot::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    return {30 * line, 12 * line};
}

QString HistoryPlot::localText(qint64 ms, const QString &format) const
{
    return m_clock.toLocal(ms).toString(format);
}

bool HistoryPlot::hasDecodeInSpan() const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [this](const HistoryEntry &entry) {
        return isDecode(entry) && entry.computerMs >= m_fitted.fromMs();
    });
}

QList<std::pair<qint64, qint64>> HistoryPlot::gaps() const
{
    QList<std::pair<qint64, qint64>> spans;
    const qint64 from = m_fitted.fromMs();
    // Entries from before the plotted time tell whether its start is covered.
    qint64 last = from - kGapMs - 1;
    for (const HistoryEntry &entry : m_entries) {
        if (!isDecode(entry))
            continue;
        if (entry.computerMs - last > kGapMs)
            spans.append({std::max(last, from), entry.computerMs});
        last = entry.computerMs;
    }
    if (m_fitted.toMs() - last > kGapMs)
        spans.append({std::max(last, from), m_fitted.toMs()});
    return spans;
}

void HistoryPlot::paintEvent(QPaintEvent *)
{
    const HistoryPlotScale at = scale();
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    HistoryPlotAxes::drawLegend(painter, *this, at,
        {{lockedColour(), QStringLiteral("clock minus GPS, status A")},
            {unlockedColour(), QStringLiteral("status V")},
            {settingColour(), QStringLiteral("setting")},
            {sentColour(), QStringLiteral("sentence sent")},
            {gapColour(), QStringLiteral("no decode")},
            {noticeColour(), QStringLiteral("notice")}});
    drawGaps(painter, at);
    HistoryPlotAxes::drawValueAxis(painter, *this, at);
    HistoryPlotAxes::drawTimeAxis(painter, *this, at, m_clock);
    painter.save();
    painter.setClipRect(at.area());
    drawSeries(painter, at);
    drawMarkers(painter, at);
    painter.restore();
    drawTicks(painter, at);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(at.area());
    if (!hasDecodeInSpan()) {
        const QString text = QStringLiteral("Nothing decoded in this time");
        QRectF box = fontMetrics().boundingRect(text).adjusted(-8, -4, 8, 4);
        box.moveCenter(at.area().center());
        painter.fillRect(box, palette().color(QPalette::Base));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

void HistoryPlot::drawGaps(QPainter &painter, const HistoryPlotScale &scale) const
{
    const QRectF area = scale.area();
    const QString label = QStringLiteral("no decode");
    for (const auto &[from, to] : gaps()) {
        const QRectF span(
            QPointF(scale.xFor(from), area.top()), QPointF(scale.xFor(to), area.bottom()));
        painter.fillRect(span, gapColour());
        if (span.width() > fontMetrics().horizontalAdvance(label) + 8 && hasDecodeInSpan()) {
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawText(span.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, label);
        }
    }
}

void HistoryPlot::drawSeries(QPainter &painter, const HistoryPlotScale &scale) const
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    std::optional<QPointF> previous;
    bool previousLocked = true;
    qint64 previousMs = 0;
    for (const HistoryEntry &entry : m_entries) {
        if (!isDecode(entry))
            continue;
        const QPointF point(scale.xFor(entry.computerMs), scale.yFor(double(entry.offsetMs)));
        if (previous && entry.computerMs - previousMs <= kGapMs) {
            const bool locked = previousLocked && entry.locked;
            painter.setPen(QPen(locked ? lockedColour() : unlockedColour(), 1.5,
                locked ? Qt::SolidLine : Qt::DashLine));
            painter.drawLine(*previous, point);
        }
        previous = point;
        if (entry.stepMs) {
            // The setting moves the clock from the decode's offset to where the step takes it.
            const QPointF after(point.x(), scale.yFor(double(entry.offsetMs + *entry.stepMs)));
            painter.setPen(QPen(settingColour(), 3, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(point, after);
            previous = after;
        }
        previousLocked = entry.locked;
        previousMs = entry.computerMs;
    }
}

void HistoryPlot::drawMarkers(QPainter &painter, const HistoryPlotScale &scale) const
{
    // On top of the lines: a dot for status A, a larger square for V.
    for (const HistoryEntry &entry : m_entries) {
        if (!isDecode(entry))
            continue;
        const QPointF point(scale.xFor(entry.computerMs), scale.yFor(double(entry.offsetMs)));
        if (entry.locked) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(lockedColour());
            painter.drawEllipse(point, 2.5, 2.5);
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(unlockedColour());
            painter.drawRect(QRectF(point.x() - 4, point.y() - 4, 8, 8));
        }
    }
    if (m_pointed >= 0) {
        const HistoryEntry &entry = m_entries[m_pointed];
        painter.setPen(QPen(palette().color(QPalette::Text), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(
            QPointF(scale.xFor(entry.computerMs), scale.yFor(double(entry.offsetMs))), 6, 6);
    }
}

void HistoryPlot::drawTicks(QPainter &painter, const HistoryPlotScale &scale) const
{
    // Sent sentences below the time axis, at most one tick per pixel column; notices above.
    const QRectF area = scale.area();
    painter.setRenderHint(QPainter::Antialiasing, false);
    int lastColumn = -1;
    for (const HistoryEntry &entry : m_entries) {
        if (entry.computerMs < scale.fromMs() || entry.computerMs > scale.toMs())
            continue;
        const int x = int(std::lround(scale.xFor(entry.computerMs)));
        if (entry.kind == HistoryEntry::Kind::Sent && x != lastColumn) {
            painter.fillRect(
                QRect(x - 1, int(area.bottom()) + 1, 2, HistoryPlotAxes::kTickBand - 1),
                sentColour());
            lastColumn = x;
        } else if (entry.kind == HistoryEntry::Kind::Notice) {
            const double top = area.top();
            painter.setPen(Qt::NoPen);
            painter.setBrush(noticeColour());
            painter.drawPolygon(
                QPolygonF({QPointF(x - 5, top - 7), QPointF(x + 5, top - 7), QPointF(x, top)}));
        }
    }
}
QString HistoryPlot::describe(const HistoryEntry &entry) const
{
    QString text
        = QStringLiteral("%1: computer clock minus GPS time %2 ms, status %3")
              .arg(localText(entry.computerMs, QStringLiteral("ddd d MMM hh:mm:ss")),
                  signedMs(entry.offsetMs),
                  entry.locked ? QStringLiteral("A (locked)") : QStringLiteral("V (no fix)"));
    if (entry.stepMs)
        text += QStringLiteral("; the clock was set, moved by %1 ms").arg(signedMs(*entry.stepMs));
    return text;
}

qsizetype HistoryPlot::decodeNear(const HistoryPlotScale &scale, double x) const
{
    qsizetype nearest = -1;
    double distance = kPointReach;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const HistoryEntry &entry = m_entries[i];
        if (!isDecode(entry) || entry.computerMs < scale.fromMs())
            continue;
        const double dx = std::abs(scale.xFor(entry.computerMs) - x);
        if (dx <= distance) {
            distance = dx;
            nearest = i;
        }
    }
    return nearest;
}

void HistoryPlot::mouseMoveEvent(QMouseEvent *event)
{
    const HistoryPlotScale at = scale();
    const double x = event->position().x();
    const qsizetype nearest = decodeNear(at, x);
    if (nearest != m_pointed) {
        m_pointed = nearest;
        update();
    }
    if (nearest >= 0) {
        emit pointed(describe(m_entries[nearest]));
        return;
    }
    for (const auto &[from, to] : gaps()) {
        if (x >= at.xFor(from) && x <= at.xFor(to)) {
            const QString format = QStringLiteral("ddd d MMM hh:mm");
            emit pointed(QStringLiteral("No decode from %1 to %2")
                             .arg(localText(from, format), localText(to, format)));
            return;
        }
    }
    emit pointed(QString());
}

void HistoryPlot::leaveEvent(QEvent *)
{
    if (m_pointed >= 0) {
        m_pointed = -1;
        update();
    }
    emit pointed(QString());
}
