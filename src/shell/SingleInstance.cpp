#include "SingleInstance.h"

#include "common/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString lockFolder(const QString &runtimeDir)
{
    if (!runtimeDir.isEmpty())
        return runtimeDir;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? SingleInstance::privateTempFolder() : runtime;
}

// Why a folder shared with other users may not hold the lock; empty when it may.
QString unsafeReasonOf(const QString &folder)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("it is not a folder");
    if (status.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("other users may write or read it");
    return {};
}

void report(const QString &path, const QString &reason)
{
    const QString line
        = QStringLiteral("cannot make the single-instance lock %1: %2; starting anyway.")
              .arg(QDir::toNativeSeparators(path), reason);
    qCWarning(lcHorolux, "%s", qUtf8Printable(line));
}

QString describe(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::PermissionError:
        return QStringLiteral("permission denied");
    case QLockFile::UnknownError:
        return QStringLiteral("unknown error");
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        break;
    }
    return QStringLiteral("held by another process");
}
} // namespace

SingleInstance::SingleInstance(
    const QString &executableDir, const QString &runtimeDir, QObject *parent)
    : QObject(parent)
    , m_lockPath(QDir(lockFolder(runtimeDir)).filePath(lockFileName(executableDir)))
{ }

SingleInstance::~SingleInstance() = default;

QString SingleInstance::privateTempFolder()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("horolux-%1").arg(::geteuid()));
}

QString SingleInstance::makeFolder() const
{
    const QString folder = QFileInfo(m_lockPath).path();
    if (folder != privateTempFolder()) {
        QDir().mkpath(folder);
        return {};
    }
    // Anyone may make a name in the temporary folder first: it must turn out to be ours alone.
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    return unsafeReasonOf(folder);
}

QString SingleInstance::lockFileName(const QString &executableDir)
{
    // The same folder reached through a link is the same installation.
    const QDir dir(executableDir);
    const QString canonical = dir.canonicalPath();
    const QString key = canonical.isEmpty() ? dir.absolutePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("horolux-%1.lock").arg(QString::fromLatin1(hash.toHex().left(16)));
}

bool SingleInstance::tryLock()
{
    if (isLocked())
        return true;
    if (const QString unsafe = makeFolder(); !unsafe.isEmpty()) {
        report(QFileInfo(m_lockPath).path(), unsafe);
        return true;
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Never count a live copy's lock as stale because of its age; only a dead owner frees it.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    const QLockFile::LockError error = m_lock->error();
    m_lock.reset();
    if (error == QLockFile::LockFailedError)
        return false;
    report(m_lockPath, describe(error));
    return true;
}

bool SingleInstance::isLocked() const
{
    return m_lock && m_lock->isLocked();
}
