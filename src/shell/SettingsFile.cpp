#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {
const QString kFileName = QStringLiteral("GPSInit.ini");

void report(
    const QString &what, const QString &path, const QString &reason, const QString &consequence)
{
    const QString line = QStringLiteral("horolux: cannot %1 the settings file %2: %3; %4\n")
                             .arg(what, QDir::toNativeSeparators(path), reason, consequence);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

bool writeAll(QFile &file, const SettingsFile::Bytes &bytes)
{
    // In place over the first three bytes: the rest of a longer file stays as it is.
    return file.seek(0)
        && file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()))
        == qint64(bytes.size())
        && file.flush();
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

bool SettingsFile::write(const Bytes &bytes) const
{
    QString path = existingPath();
    if (path.isEmpty())
        path = QDir(m_folder).filePath(kFileName);
    const QFileInfo before(path);
    const bool wasThere = before.exists() || before.isSymLink();
    // ReadWrite never truncates: a failed write cannot cost what the file held before.
    QFile file(path);
    if (file.open(QIODevice::ReadWrite) && writeAll(file, bytes)) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    const QString reason = file.errorString();
    file.close();
    if (!wasThere && file.exists())
        file.remove(); // leave nothing half-made behind when we created it
    report(QStringLiteral("write"), path, reason,
        QStringLiteral("the settings of this session are not saved."));
    return false;
}
