#include "HistoryFeed.h"

#include "HistoryRecord.h"
#include "platform/Clock.h"

HistoryFeed::HistoryFeed(HistoryRecord &record, const Clock &clock)
    : m_record(record)
    , m_clock(clock)
{ }

void HistoryFeed::decoded(qint64 gpsMs, bool locked, qint64 sinceNamedMs)
{
    writePending();
    m_pending
        = HistoryEntry::decode({m_clock.currentMSecsSinceEpoch(), gpsMs, locked, sinceNamedMs});
    // A setting follows, if at all, before the handler returns to the event loop.
    QMetaObject::invokeMethod(this, &HistoryFeed::writePending, Qt::QueuedConnection);
}

void HistoryFeed::clockStepped(qint64 stepMs)
{
    if (!m_pending)
        return;
    m_pending->stepMs = stepMs;
    writePending();
}

void HistoryFeed::sent(qint64 namedMs)
{
    writePending();
    m_record.append(HistoryEntry::sent(m_clock.currentMSecsSinceEpoch(), namedMs));
}

void HistoryFeed::told(const QString &text)
{
    writePending();
    m_record.append(HistoryEntry::notice(m_clock.currentMSecsSinceEpoch(), text));
}

void HistoryFeed::writePending()
{
    if (m_pending)
        m_record.append(*std::exchange(m_pending, std::nullopt));
}
