#pragma once

#include <QString>

// Where the program finds its files. A portable folder keeps everything beside the executable;
// an installed program (<prefix>/bin with <prefix>/share/horolux) never writes under its prefix
// and keeps the user's settings in the XDG configuration folder.
namespace InstallLayout {

// <prefix> when executableDir is <prefix>/bin and <prefix>/share/horolux exists; else empty.
QString installedPrefix(const QString &executableDir);

// The folder of GPSInit.ini, ports.conf and ports/: the executable's folder when portable, else
// <configHome>/horolux. An empty configHome means $XDG_CONFIG_HOME, or ~/.config.
QString settingsDir(const QString &executableDir, const QString &configHome = {});

// The folder of what the program keeps of its own (history.csv): the executable's folder when
// portable, else <stateHome>/horolux. An empty stateHome means $XDG_STATE_HOME, or
// ~/.local/state.
QString stateDir(const QString &executableDir, const QString &stateHome = {});

// Horolux.hlp beside the executable, else in <prefix>/share/horolux; the first when neither.
QString helpFile(const QString &executableDir);

} // namespace InstallLayout
