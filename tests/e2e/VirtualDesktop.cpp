#include "VirtualDesktop.h"

#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
constexpr int kStartMs = 20000;
constexpr int kToolMs = 10000;

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}
} // namespace

VirtualDesktop::~VirtualDesktop()
{
    stop();
}

QString VirtualDesktop::missingTools(Tray tray)
{
    QStringList missing;
    if (tool("Xvfb").isEmpty())
        missing << QStringLiteral("Xvfb (Debian package xvfb)");
    if (tool("xdotool").isEmpty())
        missing << QStringLiteral("xdotool (Debian package xdotool)");
    if (tray == Tray::Present && tool("trayer").isEmpty())
        missing << QStringLiteral("trayer (Debian package trayer)");
    if (tray == Tray::Present && tool("xwininfo").isEmpty())
        missing << QStringLiteral("xwininfo (Debian package x11-utils)");
    if (missing.isEmpty())
        return {};
    return QStringLiteral("needs ") + missing.join(QStringLiteral(", "))
        + QStringLiteral(" to run the program on a desktop of its own");
}

bool VirtualDesktop::start(Tray tray, QString *error, QSize screen)
{
    m_xdotool = tool("xdotool");
    // A display number of this test's own, not the lowest free one: a server that is still
    // shutting down after the previous test removes its socket file, which would be the new
    // server's if both had the same number.
    const int first = 100 + int(QCoreApplication::applicationPid() % 800);
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (startServer(first + attempt * 37 % 800, screen, error))
            return tray == Tray::Absent || startTrayHost(error);
    }
    return false;
}

bool VirtualDesktop::startServer(int display, QSize screen, QString *error)
{
    inheritNoDescriptors(m_xserver);
    // Xvfb names the display on the given descriptor once it accepts clients, and ends at once
    // when the number is taken. Without -noreset it resets when its last client leaves (the
    // first xdotool), and a client that comes during the reset finds no display.
    m_xserver.start(tool("Xvfb"),
        {QStringLiteral(":%1").arg(display), QStringLiteral("-noreset"),
            QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
            QStringLiteral("0"),
            QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_xserver.waitForStarted(kStartMs)) {
        *error = QStringLiteral("Xvfb: ") + m_xserver.errorString();
        return false;
    }
    const QDeadlineTimer deadline(kStartMs);
    while (!m_xserver.canReadLine() && m_xserver.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    if (!m_xserver.canReadLine()) {
        *error = QStringLiteral("Xvfb named no display");
        m_xserver.kill();
        m_xserver.waitForFinished();
        return false;
    }
    const QByteArray named = m_xserver.readLine().trimmed();
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(named));
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A client must get in before the desktop is handed out: a server that names its display
    // and then cannot be reached is given up for another number.
    if (waitUntil(
            [this] { return runXdotool({QStringLiteral("getdisplaygeometry")}, nullptr); }, 5000))
        return true;
    *error = QStringLiteral("Xvfb :%1 took no client: %2").arg(QString::fromLatin1(named), state());
    endProcess(m_xserver);
    return false;
}

QString VirtualDesktop::state() const
{
    const QString display = m_env.value(QStringLiteral("DISPLAY")).mid(1);
    const bool socket = QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + display);
    return QStringLiteral("Xvfb %1, socket /tmp/.X11-unix/X%2 %3")
        .arg(m_xserver.state() == QProcess::Running ? QStringLiteral("running")
                                                    : QStringLiteral("ended"),
            display, socket ? QStringLiteral("present") : QStringLiteral("missing"));
}

bool VirtualDesktop::startTrayHost(QString *error)
{
    m_trayHost.setProcessEnvironment(m_env);
    inheritNoDescriptors(m_trayHost);
    m_trayHost.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_trayHost.start(tool("trayer"),
        {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
            QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
            QStringLiteral("--height"), QStringLiteral("24")});
    if (!m_trayHost.waitForStarted(kStartMs)) {
        *error = QStringLiteral("trayer: ") + m_trayHost.errorString();
        return false;
    }
    // Its panel is mapped once it holds the tray selection.
    if (!waitUntil([this] { return !trayPanel().isEmpty(); }, kStartMs)) {
        *error = QStringLiteral("trayer showed no panel");
        return false;
    }
    return true;
}

void VirtualDesktop::stop()
{
    endProcess(m_trayHost);
    endProcess(m_xserver);
}

bool VirtualDesktop::xdotool(const QStringList &arguments, QByteArray *output) const
{
    if (!runXdotool(arguments, output)) {
        qWarning("xdotool %s failed", qPrintable(arguments.join(QLatin1Char(' '))));
        return false;
    }
    return true;
}

bool VirtualDesktop::runXdotool(const QStringList &arguments, QByteArray *output) const
{
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    inheritNoDescriptors(process);
    process.start(m_xdotool, arguments);
    if (!process.waitForFinished(kToolMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        endProcess(process);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return true;
}

QStringList VirtualDesktop::search(const QStringList &options) const
{
    QByteArray ids;
    // A search that finds nothing fails; that is an answer here, not a fault.
    if (!runXdotool(QStringList {QStringLiteral("search")} + options, &ids) || ids.isEmpty())
        return {};
    return QString::fromLatin1(ids).split(QLatin1Char('\n'));
}

QString VirtualDesktop::visibleWindowNamed(const QString &pattern) const
{
    const QStringList found
        = search({QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    return found.isEmpty() ? QString() : found.first();
}

QStringList VirtualDesktop::visibleWindowsOf(qint64 pid) const
{
    return search({QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)});
}

QString VirtualDesktop::trayPanel() const
{
    // trayer's own top-level window stays unmapped; the panel holding the icons is shown.
    const QStringList panels = search(
        {QStringLiteral("--onlyvisible"), QStringLiteral("--class"), QStringLiteral("^trayer$")});
    return panels.isEmpty() ? QString() : panels.first();
}

QString VirtualDesktop::trayIconOf(const QString &windowClass) const
{
    const QString panel = trayPanel();
    if (panel.isEmpty())
        return {};
    // An embedded icon is a window inside the panel's tree that carries the program's class.
    QProcess tree;
    tree.setProcessEnvironment(m_env);
    inheritNoDescriptors(tree);
    tree.start(tool("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), panel});
    if (!tree.waitForFinished(kToolMs) || tree.exitCode() != 0) {
        endProcess(tree);
        return {};
    }
    const QRegularExpression icon(QStringLiteral("^\\s*(0x[0-9a-f]+) .*\\(\"[^\"]*\" \"%1\"\\)")
                                      .arg(QRegularExpression::escape(windowClass)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = icon.match(QString::fromLocal8Bit(tree.readAll()));
    return match.hasMatch() ? match.captured(1) : QString();
}

bool VirtualDesktop::clickCentre(const QString &window, const QStringList &click) const
{
    QByteArray shape;
    if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}, &shape))
        return false;
    const QRegularExpression size(QStringLiteral("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)"));
    const QRegularExpressionMatch match = size.match(QString::fromLatin1(shape));
    if (!match.hasMatch())
        return false;
    // No --sync: xdotool would wait for the pointer at the window-relative spot as if it were
    // absolute. The server takes the move before the click anyway.
    return xdotool(QStringList {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                       QString::number(match.captured(1).toInt() / 2),
                       QString::number(match.captured(2).toInt() / 2), QStringLiteral("click")}
        + click);
}

bool VirtualDesktop::doubleClick(const QString &window) const
{
    return clickCentre(window,
        {QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
            QStringLiteral("100"), QStringLiteral("1")});
}

bool VirtualDesktop::rightClick(const QString &window) const
{
    return clickCentre(window, {QStringLiteral("3")});
}

bool VirtualDesktop::typeInto(const QString &window, const QStringList &keys) const
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) && type(keys);
}

bool VirtualDesktop::type(const QStringList &keys) const
{
    return xdotool(
        QStringList {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")}
        + keys);
}

bool VirtualDesktop::screenshot(const QString &path) const
{
    QProcess import;
    import.setProcessEnvironment(m_env);
    inheritNoDescriptors(import);
    import.start(tool("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
    if (import.waitForFinished(kToolMs) && import.exitCode() == 0)
        return true;
    endProcess(import);
    return false;
}
