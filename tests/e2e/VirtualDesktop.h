#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>

// An X display of its own (Xvfb), with or without a notification area (trayer), on which the
// end-to-end tests run the real program and play its user with xdotool.
class VirtualDesktop
{
public:
    enum class Tray { Absent, Present };

    VirtualDesktop() = default;
    ~VirtualDesktop();
    VirtualDesktop(const VirtualDesktop &) = delete;
    VirtualDesktop &operator=(const VirtualDesktop &) = delete;

    // What this kind of desktop needs and the machine lacks, as a message; empty when complete.
    static QString missingTools(Tray tray);

    // Starts the display, and the tray host when asked; false with *error set when it failed.
    bool start(Tray tray, QString *error, QSize screen = QSize(1024, 768));
    void stop();

    // The environment of a program shown on this desktop.
    QProcessEnvironment environment() const { return m_env; }
    // Whether the server still runs and its socket is in place: said when a client fails.
    QString state() const;

    // Runs xdotool; false when it failed. Its output goes to *output when given.
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr) const;
    // The windows `xdotool search` finds with these options, oldest first.
    QStringList search(const QStringList &options) const;
    // The first visible window whose title matches the pattern, or empty.
    QString visibleWindowNamed(const QString &pattern) const;
    // The visible windows of a process.
    QStringList visibleWindowsOf(qint64 pid) const;
    // The icon window of a program (by its window class) embedded in the tray, or empty.
    QString trayIconOf(const QString &windowClass) const;

    // Mouse and keyboard of the user, through the X test extension.
    bool doubleClick(const QString &window) const;
    bool rightClick(const QString &window) const;
    // Gives the window the keyboard focus, then presses the keys (xdotool key names).
    bool typeInto(const QString &window, const QStringList &keys) const;
    // Presses the keys wherever the focus is (an open menu takes them).
    bool type(const QStringList &keys) const;

    // Saves the whole screen as a picture (ImageMagick's import).
    bool screenshot(const QString &path) const;

private:
    bool runXdotool(const QStringList &arguments, QByteArray *output) const;
    bool startServer(int display, QSize screen, QString *error);
    bool startTrayHost(QString *error);
    bool clickCentre(const QString &window, const QStringList &click) const;
    QString trayPanel() const;

    QProcess m_xserver;
    QProcess m_trayHost;
    QProcessEnvironment m_env;
    QString m_xdotool;
};
