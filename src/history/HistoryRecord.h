#pragma once

#include "HistoryEntry.h"

#include <QList>
#include <QObject>
#include <QString>

class Clock;

// The history file, history.csv: one line per entry, kept across runs. Appending is one short
// write to a descriptor held open; nothing waits for the disk. The file keeps the last month
// and at most a few MiB: trimming writes a new file and renames it over the old one, so a crash
// leaves either the old file or the new one, whole.
class HistoryRecord : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        qint64 maxAgeMs = 31LL * 24 * 3600 * 1000;
        qint64 maxBytes = 4 * 1024 * 1024;
    };

    static QString fileName() { return QStringLiteral("history.csv"); }

    HistoryRecord(const QString &folder, const Clock &clock);
    HistoryRecord(const QString &folder, const Clock &clock, Limits limits);
    ~HistoryRecord() override;

    QString filePath() const;
    // Opens the file at the first entry; a trim, when one is due, runs once the caller has
    // returned to the event loop.
    void append(const HistoryEntry &entry);
    // Every whole entry of the file made at or after sinceMs, oldest first.
    QList<HistoryEntry> entriesSince(qint64 sinceMs) const;

    // Trimming in its two steps: the shortened copy beside the file, then the rename.
    [[nodiscard]] bool writeTrimmed();
    [[nodiscard]] bool replaceWithTrimmed();
    void trim();

signals:
    // The file cannot be written; said once a run.
    void unwritable(const QString &reason);

private:
    bool ensureOpen();
    void readHead();
    void fail(const QString &reason);
    bool trimDue() const;
    void closeFile();
    QString trimmedPath() const;

    QString m_folder;
    const Clock &m_clock;
    Limits m_limits;
    int m_fd = -1;
    qint64 m_size = 0;
    // The first entry's time; 0 while the file holds none.
    qint64 m_oldestMs = 0;
    bool m_needsLineEnd = false;
    bool m_trimQueued = false;
    bool m_told = false;
};
