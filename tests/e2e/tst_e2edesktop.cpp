#include "EndToEndTest.h"
#include "ProgramCopy.h"
#include "PseudoTerminal.h"

#include <QProcess>
#include <QTest>
#include <signal.h>

// The real program in a desktop's notification area, used as its user would: the tray icon,
// the menus and the setup dialog through mouse and keys, and the session's end by a signal.
namespace {
const QString kMainWindow = QStringLiteral("^Horolux$");
} // namespace

class tst_E2eDesktop : public EndToEndTest
{
    Q_OBJECT
private slots:
    void trayDoubleClickShowsAndHides();
    void trayMenuExitSaves();
    void setupDialogByKeysAssignsPort();
    void sigtermSaves();

private:
    // Starts the program and waits for its icon in the tray; it shows no window by itself.
    void startInTray();
    void showMainWindow();
    // Opens a menu with the keys and waits until it shows.
    void openMenu(const QString &window, const QString &keys);
    void waitForEnd();
    QString mainWindow() const { return m_desktop.visibleWindowNamed(kMainWindow); }
    qsizetype visibleWindowCount() const;

    QString m_trayIcon;
};

void tst_E2eDesktop::startInTray()
{
    m_trayIcon.clear();
    STEP(startProgram());
    QTRY_VERIFY_WITH_TIMEOUT(
        !(m_trayIcon = m_desktop.trayIconOf(QStringLiteral("horolux"))).isEmpty(), kWaitMs);
    QVERIFY(mainWindow().isEmpty());
}

void tst_E2eDesktop::showMainWindow()
{
    QVERIFY(m_desktop.doubleClick(m_trayIcon));
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), kWaitMs);
}

void tst_E2eDesktop::openMenu(const QString &window, const QString &keys)
{
    const qsizetype before = visibleWindowCount();
    QVERIFY(m_desktop.typeInto(window, {keys}));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindowCount() > before, kWaitMs);
}

void tst_E2eDesktop::waitForEnd()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_program.state() == QProcess::NotRunning, kWaitMs);
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
}

qsizetype tst_E2eDesktop::visibleWindowCount() const
{
    return m_desktop.visibleWindowsOf(m_program.processId()).size();
}

void tst_E2eDesktop::trayDoubleClickShowsAndHides()
{
    STEP(startInTray());
    STEP(showMainWindow());
    QVERIFY(m_desktop.doubleClick(m_trayIcon));
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow().isEmpty(), kWaitMs);
    // And back again: the toggle works from both states, any number of times.
    STEP(showMainWindow());
}

void tst_E2eDesktop::trayMenuExitSaves()
{
    // Any non-zero second byte means "wait for a lock"; the program writes it back as FF.
    QVERIFY(m_copy->writeSettings(QByteArray("\x00\x07\x00", 3)));
    STEP(startInTray());

    // A right click opens the menu at the icon; "E&xit" is its x.
    const qsizetype before = visibleWindowCount();
    QVERIFY(m_desktop.rightClick(m_trayIcon));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindowCount() > before, kWaitMs);
    QVERIFY(mainWindow().isEmpty());
    QVERIFY(m_desktop.type({QStringLiteral("x")}));
    STEP(waitForEnd());
    QCOMPARE(m_copy->settings(), QByteArray("\x00\xff\x00", 3));
}

void tst_E2eDesktop::setupDialogByKeysAssignsPort()
{
    PseudoTerminal device;
    m_copy->wirePort(device, 3);
    QVERIFY(m_copy->writeSettings(QByteArray("\x00\xff\x00", 3)));
    STEP(startInTray());
    STEP(showMainWindow());

    // "&SetUp", "&Receive": the dialog opens with the list focused.
    STEP(openMenu(mainWindow(), QStringLiteral("alt+s")));
    QVERIFY(m_desktop.type({QStringLiteral("r")}));
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(dialog = m_desktop.visibleWindowNamed(QStringLiteral("^ SetUp Receive$"))).isEmpty(),
        kWaitMs);

    // Picking "3" probes the port: the device hears the modem query twice, then is let go.
    QVERIFY(m_desktop.typeInto(dialog, {QStringLiteral("3")}));
    const qint64 pid = m_program.processId();
    QByteArray heard;
    QTRY_VERIFY2_WITH_TIMEOUT((heard += device.readAvailable()) == "ATV1\rATV1\r"
            && !ProgramCopy::holdsOpen(pid, device.slavePath()),
        heard.toPercentEncoding().constData(), kWaitMs);

    // Enter sets it: the dialog goes and the program opens the port to receive.
    QVERIFY(m_desktop.type({QStringLiteral("Return")}));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_desktop.visibleWindowNamed(QStringLiteral("^ SetUp Receive$")).isEmpty(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(ProgramCopy::holdsOpen(pid, device.slavePath()), kWaitMs);

    // "&Menu", "E&xit" from the menu bar: the settings file holds the new port.
    STEP(openMenu(mainWindow(), QStringLiteral("alt+m")));
    QVERIFY(m_desktop.type({QStringLiteral("x")}));
    STEP(waitForEnd());
    QCOMPARE(m_copy->settings(), QByteArray("\x03\xff\x00", 3));
}

void tst_E2eDesktop::sigtermSaves()
{
    PseudoTerminal receiver;
    PseudoTerminal masterClock;
    m_copy->wirePort(receiver, 2);
    m_copy->wirePort(masterClock, 5);
    QVERIFY(m_copy->writeSettings(QByteArray("\x02\x01\x05", 3)));
    STEP(startInTray());
    const qint64 pid = m_program.processId();
    QTRY_VERIFY_WITH_TIMEOUT(ProgramCopy::holdsOpen(pid, receiver.slavePath())
            && ProgramCopy::holdsOpen(pid, masterClock.slavePath()),
        kWaitMs);

    // The session ends while the program sits hidden in the tray.
    QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
    STEP(waitForEnd());
    QCOMPARE(m_copy->settings(), QByteArray("\x02\xff\x05", 3));
}

QTEST_GUILESS_MAIN(tst_E2eDesktop)
#include "tst_e2edesktop.moc"
