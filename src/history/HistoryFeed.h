#pragma once

#include "HistoryEntry.h"

#include <QObject>
#include <optional>

class Clock;
class HistoryRecord;

// Turns what happens into entries of the record, at the computer clock's reading. A decode waits
// for the rest of the handler that made it: if that handler sets the clock from it, its entry
// carries the step.
class HistoryFeed : public QObject
{
public:
    HistoryFeed(HistoryRecord &record, const Clock &clock);

    // A sentence of the receiver decoded just now; gpsMs is the time it names.
    void decoded(qint64 gpsMs, bool locked, qint64 sinceNamedMs = 0);
    // The clock was set from the decode just made, moved by stepMs.
    void clockStepped(qint64 stepMs);
    // A sentence naming namedMs went out to the master clock just now.
    void sent(qint64 namedMs);
    // The user was just told of a failure.
    void told(const QString &text);

private:
    void writePending();

    HistoryRecord &m_record;
    const Clock &m_clock;
    std::optional<HistoryEntry> m_pending;
};
