#include "HistoryWindow.h"

#include "HistoryPlot.h"
#include "HistoryRecord.h"
#include "platform/Clock.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

namespace {
constexpr qint64 kHourMs = 3600 * 1000;
constexpr qint64 kSpanMs[] = {kHourMs, 24 * kHourMs, 7 * 24 * kHourMs, 31 * 24 * kHourMs};
constexpr int kSettingRows = 5;

QString signedMs(qint64 ms)
{
    return (ms > 0 ? QStringLiteral("+") : QString()) + QString::number(ms) + QStringLiteral(" ms");
}
} // namespace

HistoryWindow::HistoryWindow(const HistoryRecord &record, const Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_record(record)
    , m_clock(clock)
{
    setWindowTitle(QStringLiteral("Horolux History"));
    createControls();
    connect(m_span, &QComboBox::currentIndexChanged, this,
        [this](int index) { showSpan(Span(index)); });
    connect(m_save, &QPushButton::clicked, this, &HistoryWindow::savePictureAs);
    connect(m_plot, &HistoryPlot::pointed, m_pointer, [this](const QString &text) {
        m_pointer->setText(
            text.isEmpty() ? QStringLiteral("Point at the plot to read a value.") : text);
    });
    showSpan(LastDay);
}

void HistoryWindow::createControls()
{
    m_span = new QComboBox(this);
    m_span->addItems({QStringLiteral("Last hour"), QStringLiteral("Last day"),
        QStringLiteral("Last week"), QStringLiteral("Last month")});
    m_save = new QPushButton(QStringLiteral("&Save picture..."), this);
    auto *top = new QHBoxLayout;
    auto *spanLabel = new QLabel(QStringLiteral("S&how:"), this);
    spanLabel->setBuddy(m_span);
    top->addWidget(spanLabel);
    top->addWidget(m_span);
    top->addStretch();
    top->addWidget(m_save);

    m_summary = new QLabel(this);
    m_summary->setTextFormat(Qt::PlainText);
    m_plot = new HistoryPlot(m_clock, this);
    m_pointer = new QLabel(QStringLiteral("Point at the plot to read a value."), this);
    m_pointer->setWordWrap(true);

    m_settings = new QTableWidget(0, 3, this);
    m_settings->setHorizontalHeaderLabels(
        {QStringLiteral("Set at"), QStringLiteral("Moved by"), QStringLiteral("Drift per hour")});
    m_settings->verticalHeader()->hide();
    m_settings->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_settings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_settings->setSelectionMode(QAbstractItemView::NoSelection);
    m_settings->setFocusPolicy(Qt::NoFocus);
    const int rowHeight = m_settings->verticalHeader()->defaultSectionSize();
    m_settings->setFixedHeight(m_settings->horizontalHeader()->sizeHint().height()
        + kSettingRows * rowHeight + 2 * m_settings->frameWidth());

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_summary);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_pointer);
    layout->addWidget(new QLabel(QStringLiteral("Last settings of the clock:"), this));
    layout->addWidget(m_settings);
}

QString HistoryWindow::localText(qint64 ms) const
{
    return m_clock.toLocal(ms).toString(QStringLiteral("ddd d MMM hh:mm:ss"));
}

void HistoryWindow::showSpan(Span span)
{
    {
        const QSignalBlocker quiet(m_span);
        m_span->setCurrentIndex(span);
    }
    const qint64 now = m_clock.currentMSecsSinceEpoch();
    const qint64 from = now - kSpanMs[span];
    // The table and the summary reach back the whole month, whatever the plot shows; the plot a
    // little before its span too: its first line and gap start where the record does.
    const QList<HistoryEntry> month
        = m_record.entriesSince(now - kSpanMs[LastMonth] - HistoryPlot::kGapMs);
    QList<HistoryEntry> plotted;
    std::copy_if(month.cbegin(), month.cend(), std::back_inserter(plotted),
        [from](
            const HistoryEntry &entry) { return entry.computerMs >= from - HistoryPlot::kGapMs; });
    m_plot->setEntries(plotted, from, now);
    fillSettings(month);
    fillSummary(month, from);
}

void HistoryWindow::fillSettings(const QList<HistoryEntry> &entries)
{
    QList<const HistoryEntry *> settings;
    for (const HistoryEntry &entry : entries) {
        if (entry.kind == HistoryEntry::Kind::Decode && entry.stepMs)
            settings.append(&entry);
    }
    const qsizetype rows = std::min<qsizetype>(settings.size(), kSettingRows);
    m_settings->setRowCount(int(std::max<qsizetype>(rows, 1)));
    if (rows == 0)
        m_settings->setItem(0, 0, new QTableWidgetItem(QStringLiteral("None in the last month")));
    for (int row = 0; row < rows; ++row) {
        // Newest first; the drift is what the clock gained since the setting before.
        const qsizetype i = settings.size() - 1 - row;
        const HistoryEntry &setting = *settings[i];
        QString drift = QStringLiteral("-");
        if (i > 0) {
            const double hours = double(setting.computerMs - settings[i - 1]->computerMs) / kHourMs;
            if (hours > 0) {
                const double perHour = -double(*setting.stepMs) / hours;
                drift = (perHour > 0 ? QStringLiteral("+") : QString())
                    + QString::number(perHour, 'f', 1) + QStringLiteral(" ms");
            }
        }
        const QString cells[] = {localText(setting.computerMs), signedMs(*setting.stepMs), drift};
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(
                column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            m_settings->setItem(row, column, item);
        }
    }
}

void HistoryWindow::fillSummary(const QList<HistoryEntry> &entries, qint64 sinceMs)
{
    const HistoryEntry *decode = nullptr;
    const HistoryEntry *setting = nullptr;
    const HistoryEntry *sent = nullptr;
    int sentInSpan = 0;
    for (const HistoryEntry &entry : entries) {
        if (entry.kind == HistoryEntry::Kind::Decode) {
            decode = &entry;
            if (entry.stepMs)
                setting = &entry;
        } else if (entry.kind == HistoryEntry::Kind::Sent) {
            sent = &entry;
            sentInSpan += entry.computerMs >= sinceMs ? 1 : 0;
        }
    }
    const QString none = QStringLiteral("%1: %2 in the last month.");
    QStringList lines;
    lines << (decode
            ? QStringLiteral("Receiver: last decode %1, status %2.")
                  .arg(localText(decode->computerMs),
                      decode->locked ? QStringLiteral("A (locked)") : QStringLiteral("V (no fix)"))
            : none.arg(QStringLiteral("Receiver"), QStringLiteral("nothing decoded")));
    lines << (setting ? QStringLiteral("Computer clock: last set %1, moved by %2.")
                            .arg(localText(setting->computerMs), signedMs(*setting->stepMs))
                      : none.arg(QStringLiteral("Computer clock"), QStringLiteral("not set")));
    lines << (sent ? QStringLiteral("Master clock: last sentence sent %1 (%2 in the plotted time).")
                         .arg(localText(sent->computerMs))
                         .arg(sentInSpan)
                   : none.arg(QStringLiteral("Master clock"), QStringLiteral("no sentence sent")));
    m_summary->setText(lines.join(QLatin1Char('\n')));
}

bool HistoryWindow::savePicture(const QString &path)
{
    if (m_plot->grab().save(path, "PNG"))
        return true;
    m_pointer->setText(
        QStringLiteral("The picture cannot be saved to %1.").arg(QDir::toNativeSeparators(path)));
    return false;
}

void HistoryWindow::savePictureAs()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"),
        QDir::home().filePath(QStringLiteral("horolux-history.png")),
        QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    // What failed is said in the window itself.
    (void)savePicture(path);
}
