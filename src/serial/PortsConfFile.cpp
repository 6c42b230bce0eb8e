#include "PortsConfFile.h"

#include "common/Log.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemReason(int error)
{
    return error == ELOOP ? QStringLiteral("it is a symbolic link")
                          : QString::fromLocal8Bit(std::strerror(error));
}

// A link, pipe or device is never opened: a pipe would block the reader, a serial device would
// see its lines raised.
QString unsafeReasonOf(const struct stat &status)
{
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is not a plain file");
    if (status.st_size > PortsConfFile::kMaxSize)
        return QStringLiteral("it is larger than 64 KiB");
    return {};
}

void warnUnread(const QString &path, const QString &reason)
{
    qCWarning(lcHorolux, "cannot read the port map %s: %s; no port is mapped.",
        qUtf8Printable(path), qUtf8Printable(reason));
}

// The whole file, or empty with the reason; one byte more than the limit tells a growing file.
QByteArray readAll(int fd, QString *reason)
{
    QByteArray text(PortsConfFile::kMaxSize + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, size_t(text.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            *reason = systemReason(errno);
        if (n <= 0)
            break;
        got += n;
    }
    if (got > PortsConfFile::kMaxSize)
        *reason = QStringLiteral("it is larger than 64 KiB");
    text.truncate(reason->isEmpty() ? got : 0);
    return text;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool refuse(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return false;
}
} // namespace

PortsConfFile::Stamp PortsConfFile::stampOf(const QString &path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true, status.st_dev, status.st_ino, status.st_size,
        qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

PortsConfFile PortsConfFile::load(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status = {};
    if (::lstat(native.constData(), &status) != 0) {
        if (errno != ENOENT)
            warnUnread(path, systemReason(errno));
        return {};
    }
    if (const QString unsafe = unsafeReasonOf(status); !unsafe.isEmpty()) {
        warnUnread(path, unsafe);
        return {};
    }
    // Checked again on what was opened: the name may have changed hands in between.
    const int fd
        = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    QString reason = fd < 0 ? systemReason(errno) : QString();
    QByteArray text;
    if (fd >= 0) {
        reason = ::fstat(fd, &status) != 0 ? systemReason(errno) : unsafeReasonOf(status);
        if (reason.isEmpty())
            text = readAll(fd, &reason);
        ::close(fd);
    }
    if (!reason.isEmpty()) {
        warnUnread(path, reason);
        return {};
    }
    return parse(text);
}

bool PortsConfFile::save(const QString &path, QString *why) const
{
    const QByteArray native = QFile::encodeName(path);
    struct stat old = {};
    const bool existed = ::lstat(native.constData(), &old) == 0;
    if (existed && S_ISLNK(old.st_mode))
        return refuse(why,
            QStringLiteral("it is a symbolic link, which is left as it is; "
                           "put the file itself in its place"));
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return refuse(why, systemReason(errno));
    const mode_t mode = existed && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0644;
    QString reason;
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, text()) || ::fsync(fd) != 0)
        reason = systemReason(errno);
    if (::close(fd) != 0 && reason.isEmpty())
        reason = systemReason(errno);
    if (reason.isEmpty() && ::rename(temporary.constData(), native.constData()) != 0)
        reason = systemReason(errno);
    if (!reason.isEmpty()) {
        ::unlink(temporary.constData());
        return refuse(why, reason);
    }
    // The rename itself survives a power cut only once the folder is on disk too.
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

PortsConfFile PortsConfFile::parse(const QByteArray &text)
{
    PortsConfFile file;
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.removeLast();
    for (const QByteArray &line : std::as_const(lines)) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            const QString name = QString::fromUtf8(trimmed.mid(1, trimmed.size() - 2).trimmed());
            file.m_sections.append(Section {name, {line}});
        } else {
            file.m_sections.last().lines.append(line);
        }
    }
    return file;
}

std::optional<std::pair<QString, QString>> PortsConfFile::keyValue(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    const qsizetype equals = trimmed.indexOf('=');
    if (trimmed.startsWith(';') || trimmed.startsWith('#') || trimmed.startsWith('[')
        || equals <= 0)
        return std::nullopt;
    return std::pair {QString::fromUtf8(trimmed.left(equals).trimmed()),
        QString::fromUtf8(trimmed.mid(equals + 1).trimmed())};
}

bool PortsConfFile::hasGroup(const QString &group) const
{
    return groups().contains(group);
}

QStringList PortsConfFile::groups() const
{
    QStringList names;
    for (const Section &section : m_sections) {
        if (!section.lines.isEmpty() && section.lines.first().trimmed().startsWith('[')
            && !names.contains(section.name))
            names.append(section.name);
    }
    return names;
}

std::optional<QString> PortsConfFile::value(const QString &group, const QString &key) const
{
    // As before: the last line for the key wins.
    std::optional<QString> found;
    for (const Section &section : m_sections) {
        if (section.name != group)
            continue;
        for (const QByteArray &line : section.lines) {
            if (const auto pair = keyValue(line); pair && pair->first == key)
                found = pair->second;
        }
    }
    return found;
}

void PortsConfFile::setValue(const QString &group, const QString &key, const QString &value)
{
    const QByteArray line = key.toUtf8() + '=' + value.toUtf8();
    auto section = std::find_if(m_sections.begin(), m_sections.end(),
        [&](const Section &s) { return s.name == group && !s.lines.isEmpty(); });
    if (section == m_sections.end()) {
        // Groups are kept apart by a blank line, as they always were.
        if (!m_sections.last().lines.isEmpty()
            && !m_sections.last().lines.last().trimmed().isEmpty())
            m_sections.last().lines.append(QByteArray());
        m_sections.append(Section {group, {'[' + group.toUtf8() + ']'}});
        section = m_sections.end() - 1;
    }
    QList<QByteArray> &lines = section->lines;
    qsizetype lastKey = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto pair = keyValue(lines.at(i));
        if (pair && pair->first == key) {
            lines[i] = line;
            return;
        }
        if (pair)
            lastKey = i;
    }
    lines.insert(lastKey + 1, line);
}

void PortsConfFile::remove(const QString &group, const QString &key)
{
    for (Section &section : m_sections) {
        if (section.name != group)
            continue;
        section.lines.removeIf([&](const QByteArray &line) {
            const auto pair = keyValue(line);
            return pair && pair->first == key;
        });
    }
}

void PortsConfFile::removeIfEmpty(const QString &group)
{
    m_sections.removeIf([&](const Section &section) {
        return section.name == group
            && std::none_of(section.lines.begin(), section.lines.end(),
                [](const QByteArray &line) { return keyValue(line).has_value(); });
    });
}

QByteArray PortsConfFile::text() const
{
    QByteArray text;
    for (const Section &section : m_sections) {
        for (const QByteArray &line : section.lines)
            text += line + '\n';
    }
    return text;
}
