#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kHelpName = QStringLiteral("Horolux.hlp");
const QString kDataFolder = QStringLiteral("share/horolux");

QString xdgHome(const char *variable, const QString &fallback)
{
    // The XDG rule: a relative value is invalid and ignored.
    const QString configured = qEnvironmentVariable(variable);
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + fallback;
}
} // namespace

QString InstallLayout::installedPrefix(const QString &executableDir)
{
    const QDir bin(QDir::cleanPath(executableDir));
    if (bin.dirName() != QStringLiteral("bin"))
        return {};
    const QString prefix = QFileInfo(bin.absolutePath()).path();
    return QFileInfo(QDir(prefix).filePath(kDataFolder)).isDir() ? prefix : QString();
}

QString InstallLayout::settingsDir(const QString &executableDir, const QString &configHome)
{
    if (installedPrefix(executableDir).isEmpty())
        return executableDir;
    const QString home = configHome.isEmpty()
        ? xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config"))
        : configHome;
    return home + QStringLiteral("/horolux");
}

QString InstallLayout::stateDir(const QString &executableDir, const QString &stateHome)
{
    if (installedPrefix(executableDir).isEmpty())
        return executableDir;
    const QString home = stateHome.isEmpty()
        ? xdgHome("XDG_STATE_HOME", QStringLiteral("/.local/state"))
        : stateHome;
    return home + QStringLiteral("/horolux");
}

QString InstallLayout::helpFile(const QString &executableDir)
{
    const QString beside = QDir(executableDir).filePath(kHelpName);
    const QString prefix = installedPrefix(executableDir);
    if (QFileInfo::exists(beside) || prefix.isEmpty())
        return beside;
    return QDir(prefix).filePath(kDataFolder + QLatin1Char('/') + kHelpName);
}
