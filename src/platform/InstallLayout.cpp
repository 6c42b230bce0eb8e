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

// A portable folder keeps everything beside the executable; an installed program keeps its own
// folder in the user's XDG folder of that kind (given, or from the variable, or the fallback).
QString userFolder(const QString &executableDir, const QString &given, const char *variable,
    const QString &fallback)
{
    if (InstallLayout::installedPrefix(executableDir).isEmpty())
        return executableDir;
    const QString home = given.isEmpty() ? xdgHome(variable, fallback) : given;
    return home + QStringLiteral("/horolux");
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
    return userFolder(executableDir, configHome, "XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString InstallLayout::stateDir(const QString &executableDir, const QString &stateHome)
{
    return userFolder(executableDir, stateHome, "XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QString InstallLayout::helpFile(const QString &executableDir)
{
    const QString beside = QDir(executableDir).filePath(kHelpName);
    const QString prefix = installedPrefix(executableDir);
    if (QFileInfo::exists(beside) || prefix.isEmpty())
        return beside;
    return QDir(prefix).filePath(kDataFolder + QLatin1Char('/') + kHelpName);
}
