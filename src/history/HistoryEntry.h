#pragma once

#include "DecodeReading.h"

#include <QByteArray>
#include <QString>
#include <optional>

// One line of the history file: a decode of the receiver (with the step when it set the clock),
// a sentence sent to the master clock, or a failure the user was told about.
struct HistoryEntry
{
    enum class Kind { Decode, Sent, Notice };

    Kind kind = Kind::Decode;
    // The computer clock's reading (UTC) when it happened.
    qint64 computerMs = 0;
    // A decode: the GPS time its sentence names; a sent sentence: the time it names.
    qint64 gpsMs = 0;
    // A decode: status A.
    bool locked = false;
    // A decode: computer clock minus GPS time.
    qint64 offsetMs = 0;
    // A decode that set the clock: how far the clock was moved.
    std::optional<qint64> stepMs;
    // A notice: what the user was told.
    QString note;

    static HistoryEntry decode(const DecodeReading &reading);
    static HistoryEntry sent(qint64 computerMs, qint64 namedMs);
    static HistoryEntry notice(qint64 computerMs, const QString &text);

    // The first line of the file, naming the columns.
    static QByteArray csvHeader();
    // The entry as one line of the file, ended by a line feed.
    QByteArray toCsvLine() const;
    // Empty for the header and for a line that is not a whole entry (cut off by a crash).
    static std::optional<HistoryEntry> fromCsvLine(QByteArrayView line);
    // Only the time of a line's entry, for a quick look over the whole file.
    static std::optional<qint64> computerMsOf(QByteArrayView line);
};
