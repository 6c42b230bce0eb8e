#include "ProgramCopy.h"

#include "ChildProcess.h"
#include "PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {
const QString kProgram = QStringLiteral("horolux");
const QString kHelpFile = QStringLiteral("Horolux.hlp");
const QString kSettingsFile = QStringLiteral("GPSInit.ini");
constexpr auto kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

ProgramCopy::ProgramCopy() = default;

bool ProgramCopy::install(QString *error)
{
    const QFileInfo built(QStringLiteral(HOROLUX_EXECUTABLE));
    const QString program = m_dir.filePath(kProgram);
    if (!m_dir.isValid() || !QFile::copy(built.filePath(), program)
        || !QFile::setPermissions(program, kOwnerOnly)
        || !QFile::copy(built.dir().filePath(kHelpFile), m_dir.filePath(kHelpFile))) {
        *error = QStringLiteral("cannot copy ") + built.filePath() + QStringLiteral(" and ")
            + kHelpFile + QStringLiteral(" into ") + m_dir.path();
        return false;
    }
    // The lock of each copy lives in a runtime folder of its own, as a user's session has.
    if (!QDir().mkpath(runtimeFolder()) || !QFile::setPermissions(runtimeFolder(), kOwnerOnly)) {
        *error = QStringLiteral("cannot make ") + runtimeFolder();
        return false;
    }
    return true;
}

QString ProgramCopy::settingsPath() const
{
    return m_dir.filePath(kSettingsFile);
}

bool ProgramCopy::writeSettings(const QByteArray &bytes) const
{
    QFile file(settingsPath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

QByteArray ProgramCopy::settings() const
{
    return contentOf(settingsPath());
}

void ProgramCopy::wirePort(const PseudoTerminal &device, int number) const
{
    device.linkAsPort(m_dir.path(), number);
}

QList<qint64> ProgramCopy::clockSettings() const
{
    QList<qint64> settings;
    for (const QByteArray &line : contentOf(clockLogPath()).split('\n')) {
        if (!line.isEmpty())
            settings << line.toLongLong();
    }
    return settings;
}

void ProgramCopy::setClockKeptSynchronised(bool kept) const
{
    QFile flag(synchronisedFlagPath());
    if (kept)
        flag.open(QIODevice::WriteOnly);
    else
        flag.remove();
}

QString ProgramCopy::synchronisedFlagPath() const
{
    return m_dir.filePath(QStringLiteral("shim-synchronised"));
}

QByteArray ProgramCopy::history() const
{
    return contentOf(m_dir.filePath(QStringLiteral("history.csv")));
}

void ProgramCopy::start(QProcess &process, const QProcessEnvironment &desktop) const
{
    QProcessEnvironment environment = desktop;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
    // Local time is UTC, so the program's schedule and its clock fields read alike.
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    if (m_clockStart) {
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(HOROLUX_CLOCKSHIM));
        environment.insert(QStringLiteral("HOROLUX_SHIM_START_MS"), QString::number(*m_clockStart));
        environment.insert(QStringLiteral("HOROLUX_SHIM_LOG"), clockLogPath());
        environment.insert(QStringLiteral("HOROLUX_SHIM_SYNCHRONISED"), synchronisedFlagPath());
        // A sanitizer build's runtime would insist on being loaded before the shim.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
            QStringLiteral("detect_leaks=0:verify_asan_link_order=0"));
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    inheritNoDescriptors(process);
    process.start(m_dir.filePath(kProgram), {});
}

QString ProgramCopy::lockFilePath() const
{
    const QStringList locks
        = QDir(runtimeFolder()).entryList({QStringLiteral("horolux-*.lock")}, QDir::Files);
    return locks.size() == 1 ? QDir(runtimeFolder()).filePath(locks.first()) : QString();
}

bool ProgramCopy::holdsOpen(qint64 pid, const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &entry : descriptors.entryInfoList(QDir::System | QDir::Files)) {
        if (entry.symLinkTarget() == target)
            return true;
    }
    return false;
}

QString ProgramCopy::runtimeFolder() const
{
    return m_dir.filePath(QStringLiteral("run"));
}

QString ProgramCopy::clockLogPath() const
{
    return m_dir.filePath(QStringLiteral("clock-settings.log"));
}
