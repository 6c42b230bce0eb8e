#include "ChildProcess.h"
#include "ProgramCopy.h"
#include "VirtualDesktop.h"
#include "WaitUntil.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// Starts the real program twice from one folder on a virtual X display and plays the user who
// answers the second copy's warning.
namespace {
constexpr int kStartTimeoutMs = 30000;

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_Duplicate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void secondCopyWarnsAndLeaves();

private:
    QString visibleWindowOf(const QProcess &process) const;
    void startCopy(QProcess &process) const;

    VirtualDesktop m_desktop;
    ProgramCopy m_copy;
};

void tst_Duplicate::initTestCase()
{
    // No tray here: the first copy shows its main window, which makes it easy to watch.
    const QString missing = VirtualDesktop::missingTools(VirtualDesktop::Tray::Absent);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QString error;
    QVERIFY2(m_copy.install(&error), qPrintable(error));
    QVERIFY(m_copy.writeSettings(QByteArray("\x00\xff\x00\xaa", 4)));
    // Both copies keep a clock of their own, so neither could ever move this machine's.
    m_copy.setClockStart(QDateTime::currentMSecsSinceEpoch());
    QVERIFY2(m_desktop.start(VirtualDesktop::Tray::Absent, &error), qPrintable(error));
}

void tst_Duplicate::cleanupTestCase()
{
    m_desktop.stop();
}

QString tst_Duplicate::visibleWindowOf(const QProcess &process) const
{
    const QStringList windows = m_desktop.visibleWindowsOf(process.processId());
    return windows.isEmpty() ? QString() : windows.first();
}

void tst_Duplicate::startCopy(QProcess &process) const
{
    m_copy.start(process, m_desktop.environment());
}

void tst_Duplicate::secondCopyWarnsAndLeaves()
{
    const QString settingsPath = m_copy.settingsPath();
    const QByteArray settingsBefore = m_copy.settings();
    const QDateTime settingsTime = QFileInfo(settingsPath).lastModified();

    // The first copy takes the lock; this display has no tray, so it shows its main window.
    QProcess first;
    QElapsedTimer sinceStart;
    sinceStart.start();
    startCopy(first);
    QVERIFY(first.waitForStarted());
    QString firstWindow;
    const auto firstShown = [&] {
        return first.state() != QProcess::Running
            || !(firstWindow = visibleWindowOf(first)).isEmpty();
    };
    QVERIFY(waitUntil(firstShown, kStartTimeoutMs));
    QVERIFY2(!firstWindow.isEmpty(),
        qPrintable(QStringLiteral("the first copy showed no window: ") + m_desktop.state()));
    qInfo("first copy showed its window %lld ms after its start", qint64(sinceStart.elapsed()));
    QVERIFY(!m_copy.lockFilePath().isEmpty());
    const QByteArray firstPid = QByteArray::number(first.processId());
    QCOMPARE(contentOf(m_copy.lockFilePath()).split('\n').constFirst(), firstPid);

    // The second copy shows its box and nothing else.
    QProcess second;
    startCopy(second);
    QVERIFY(second.waitForStarted());
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = visibleWindowOf(second)).isEmpty(), kStartTimeoutMs);
    QByteArray title;
    QVERIFY(m_desktop.xdotool({QStringLiteral("getwindowname"), box}, &title));
    QCOMPARE(title, QByteArray("Horolux"));
    QVERIFY(second.state() == QProcess::Running);

    // Enter presses OK; the copy closes itself a moment later. A key typed while the box is
    // still taking the focus may be lost, so it is typed again until the copy has ended.
    QElapsedTimer sinceOk;
    sinceOk.start();
    const auto pressOk = [&] {
        if (second.state() == QProcess::NotRunning)
            return true;
        m_desktop.typeInto(box, {QStringLiteral("Return")});
        return second.waitForFinished(2000);
    };
    QVERIFY2(waitUntil(pressOk, kStartTimeoutMs), "the second copy stayed after Enter on its box");
    qInfo("second copy ended %lld ms after OK", qint64(sinceOk.elapsed()));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    // The first copy runs on, still holding the lock, and the settings file is as it was.
    QVERIFY(first.state() == QProcess::Running);
    QVERIFY(m_desktop.visibleWindowsOf(first.processId()).contains(firstWindow));
    QCOMPARE(contentOf(m_copy.lockFilePath()).split('\n').constFirst(), firstPid);
    QCOMPARE(m_copy.settings(), settingsBefore);
    QCOMPARE(QFileInfo(settingsPath).lastModified(), settingsTime);

    endProcess(first, 10000);
}

QTEST_GUILESS_MAIN(tst_Duplicate)
#include "tst_duplicate.moc"
