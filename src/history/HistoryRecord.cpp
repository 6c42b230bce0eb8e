#include "HistoryRecord.h"

#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int openFile(const QString &path, int flags)
{
    // A link is refused: the file is ours alone.
    return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0644);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

// Calls take(line) for each line of text, without its line feed.
template<typename Take> void forEachLine(const QByteArray &text, Take take)
{
    const QByteArrayView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        take(all.sliced(start, end - start));
        start = end + 1;
    }
}

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

HistoryRecord::HistoryRecord(const QString &folder, const Clock &clock)
    : HistoryRecord(folder, clock, Limits {})
{ }

HistoryRecord::HistoryRecord(const QString &folder, const Clock &clock, Limits limits)
    : m_folder(folder)
    , m_clock(clock)
    , m_limits(limits)
{ }

HistoryRecord::~HistoryRecord()
{
    closeFile();
}

QString HistoryRecord::filePath() const
{
    return QDir(m_folder).filePath(fileName());
}

QString HistoryRecord::trimmedPath() const
{
    return filePath() + QStringLiteral(".new");
}

void HistoryRecord::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void HistoryRecord::fail(const QString &reason)
{
    closeFile();
    if (std::exchange(m_told, true))
        return;
    emit unwritable(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(filePath()), reason));
}

bool HistoryRecord::ensureOpen()
{
    if (m_fd >= 0)
        return true;
    // Tried again at each entry: a folder made writable meanwhile is used from then on.
    if (!QDir().mkpath(m_folder)) {
        fail(QStringLiteral("the folder cannot be made"));
        return false;
    }
    m_fd = openFile(filePath(), O_RDWR | O_APPEND | O_CREAT);
    if (m_fd < 0) {
        fail(errorText());
        return false;
    }
    struct stat status
    {
    };
    m_size = ::fstat(m_fd, &status) == 0 ? status.st_size : 0;
    if (m_size == 0 && !writeAll(m_fd, HistoryEntry::csvHeader())) {
        fail(errorText());
        return false;
    }
    readHead();
    return true;
}

void HistoryRecord::readHead()
{
    // The oldest entry tells when the month is up; a last line cut off by a crash is ended
    // before the next one follows it.
    char last = '\n';
    m_needsLineEnd = m_size > 0 && ::pread(m_fd, &last, 1, m_size - 1) == 1 && last != '\n';
    QByteArray head(512, '\0');
    const ssize_t got = ::pread(m_fd, head.data(), size_t(head.size()), 0);
    head.truncate(got > 0 ? got : 0);
    m_oldestMs = 0;
    for (const QByteArray &line : head.split('\n')) {
        if (const auto entry = HistoryEntry::fromCsvLine(line)) {
            m_oldestMs = entry->computerMs;
            break;
        }
    }
    if (m_size == 0)
        m_size = HistoryEntry::csvHeader().size();
}

void HistoryRecord::append(const HistoryEntry &entry)
{
    if (!ensureOpen())
        return;
    QByteArray line = entry.toCsvLine();
    if (std::exchange(m_needsLineEnd, false))
        line.prepend('\n');
    if (!writeAll(m_fd, line)) {
        fail(errorText());
        return;
    }
    m_size += line.size();
    if (m_oldestMs == 0)
        m_oldestMs = entry.computerMs;
    if (trimDue() && !std::exchange(m_trimQueued, true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_trimQueued = false;
                trim();
            },
            Qt::QueuedConnection);
    }
}

bool HistoryRecord::trimDue() const
{
    // With room to spare, so that a trim runs about once a day or once per MiB written.
    const qint64 ageSlack = m_limits.maxAgeMs / 31;
    return m_size > m_limits.maxBytes - m_limits.maxBytes / 16
        || (m_oldestMs != 0
            && m_oldestMs < m_clock.currentMSecsSinceEpoch() - m_limits.maxAgeMs - ageSlack);
}

QList<HistoryEntry> HistoryRecord::entriesSince(qint64 sinceMs) const
{
    QList<HistoryEntry> entries;
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    forEachLine(file.readAll(), [&](QByteArrayView line) {
        const auto entry = HistoryEntry::fromCsvLine(line);
        if (entry && entry->computerMs >= sinceMs)
            entries.append(*entry);
    });
    return entries;
}

bool HistoryRecord::writeTrimmed()
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Entries of the last month, the newest of them that fit in three quarters of the bound.
    const qint64 since = m_clock.currentMSecsSinceEpoch() - m_limits.maxAgeMs;
    QList<QByteArrayView> kept;
    const QByteArray text = file.readAll();
    qint64 bytes = 0;
    forEachLine(text, [&](QByteArrayView line) {
        const auto at = HistoryEntry::computerMsOf(line);
        if (at && *at >= since) {
            kept.append(line);
            bytes += line.size() + 1;
        }
    });
    const qint64 room = m_limits.maxBytes * 3 / 4 - HistoryEntry::csvHeader().size();
    qsizetype first = 0;
    for (; first < kept.size() && bytes > room; ++first)
        bytes -= kept[first].size() + 1;
    QByteArray out = HistoryEntry::csvHeader();
    out.reserve(out.size() + bytes);
    for (qsizetype i = first; i < kept.size(); ++i)
        out.append(kept[i]).append('\n');

    const int fd = openFile(trimmedPath(), O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return false;
    // Once per trim, not per line: the new file is whole on the disk before it replaces the old.
    const bool written = writeAll(fd, out) && ::fsync(fd) == 0;
    ::close(fd);
    return written;
}

bool HistoryRecord::replaceWithTrimmed()
{
    const QByteArray from = QFile::encodeName(trimmedPath());
    if (::rename(from.constData(), QFile::encodeName(filePath()).constData()) != 0)
        return false;
    // Appends go on in the new file.
    closeFile();
    return ensureOpen();
}

void HistoryRecord::trim()
{
    // A failed trim leaves the old file as it was; the next entry tries again.
    if (!writeTrimmed() || !replaceWithTrimmed())
        ::unlink(QFile::encodeName(trimmedPath()).constData());
}
