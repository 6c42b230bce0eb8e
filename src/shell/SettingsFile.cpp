#include "SettingsFile.h"

#include "common/Log.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kFileName = QStringLiteral("GPSInit.ini");

void report(
    const QString &what, const QString &path, const QString &reason, const QString &consequence)
{
    const QString line = QStringLiteral("cannot %1 the settings file %2: %3; %4")
                             .arg(what, QDir::toNativeSeparators(path), reason, consequence);
    qCWarning(lcHorolux, "%s", qUtf8Printable(line));
}

// Refuses what is not this installation's own plain file: as root, a link (or a second name)
// would carry the write into another user's file.
QString unsafeReasonOf(const struct stat &status)
{
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is not a plain file");
    if (status.st_nlink != 1)
        return QStringLiteral("it has other names (hard links)");
    return {};
}

QString systemReason(int error)
{
    return error == ELOOP ? QStringLiteral("it is a symbolic link")
                          : QString::fromLocal8Bit(std::strerror(error));
}

// Opens without following a link; creates only what is not there. -1 with errno on failure.
int openForWriting(const QByteArray &path, bool *created)
{
    constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::open(path.constData(), kFlags);
    *created = false;
    if (fd >= 0 || errno != ENOENT)
        return fd;
    const int made = ::open(path.constData(), kFlags | O_CREAT | O_EXCL, 0666);
    *created = made >= 0;
    return made;
}

// In place over the first three bytes: the rest of a longer file stays as it is. Empty when done.
QString writeAll(int fd, const SettingsFile::Bytes &bytes)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return systemReason(errno);
    if (const QString unsafe = unsafeReasonOf(status); !unsafe.isEmpty())
        return unsafe;
    const auto size = ssize_t(bytes.size());
    if (::pwrite(fd, bytes.data(), size_t(size), 0) != size)
        return systemReason(errno);
    return {};
}
} // namespace

SettingsFile::SettingsFile(const QString &folder)
    : m_folder(folder)
{ }

QString SettingsFile::existingPath() const
{
    // Plain files only: hidden entries, folders, devices and broken links are not settings.
    const QDir dir(m_folder);
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    if (files.contains(kFileName))
        return dir.filePath(kFileName);
    for (const QString &name : files) {
        if (name.compare(kFileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return {};
}

std::optional<SettingsFile::Bytes> SettingsFile::read() const
{
    const QString path = existingPath();
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    Bytes bytes {0, 0, 0};
    const qint64 got = file.open(QIODevice::ReadOnly)
        ? file.read(reinterpret_cast<char *>(bytes.data()), qint64(bytes.size()))
        : -1;
    if (got < 0) {
        report(QStringLiteral("read"), path, file.errorString(),
            QStringLiteral("starting without saved settings."));
        return std::nullopt;
    }
    return bytes; // a short file leaves the missing bytes at 0
}

QString SettingsFile::writePath() const
{
    const QString path = existingPath();
    return path.isEmpty() ? QDir(m_folder).filePath(kFileName) : path;
}

QString SettingsFile::unsafeReason() const
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(writePath()).constData(), &status) != 0)
        return {}; // not there (made when written) or not reachable (reported when written)
    return unsafeReasonOf(status);
}

bool SettingsFile::write(const Bytes &bytes) const
{
    // An installed program's folder under the user's configuration is made at the first save.
    QDir().mkpath(m_folder);
    const QString path = writePath();
    const QByteArray native = QFile::encodeName(path);
    // Checked before opening too, so that no device or pipe is ever opened.
    QString reason = unsafeReason();
    if (reason.isEmpty()) {
        bool created = false;
        const int fd = openForWriting(native, &created);
        reason = fd < 0 ? systemReason(errno) : writeAll(fd, bytes);
        if (fd >= 0 && ::close(fd) != 0 && reason.isEmpty())
            reason = systemReason(errno);
        if (reason.isEmpty())
            return true;
        if (created)
            ::unlink(native.constData()); // leave nothing half-made behind when we made it
    }
    report(QStringLiteral("write"), path, reason,
        QStringLiteral("the settings of this session are not saved."));
    return false;
}
