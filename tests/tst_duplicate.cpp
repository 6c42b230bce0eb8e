#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Starts the real program twice from one folder on a virtual X display and plays the user who
// answers the second copy's warning.
namespace {
constexpr int kStartTimeoutMs = 30000;

QString findTool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

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
    // Runs xdotool; false when it failed. Its output goes to *output when given.
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr) const;
    QString visibleWindowOf(const QProcess &process) const;
    void startCopy(QProcess &process) const;
    QString lockFilePath() const;

    QTemporaryDir m_dir;
    QProcess m_xserver;
    QProcessEnvironment m_env;
    QString m_xdotool;
};

void tst_Duplicate::initTestCase()
{
    const QString built = QStringLiteral(HOROLUX_EXECUTABLE);
    const QString xvfb = findTool("Xvfb");
    m_xdotool = findTool("xdotool");
    if (xvfb.isEmpty() || m_xdotool.isEmpty())
        QSKIP("needs Xvfb and xdotool (Debian packages xvfb, xdotool) to see and answer the box");
    QVERIFY2(QFileInfo::exists(built), qPrintable(built));

    // The program's own folder, as an installation: the executable and its settings file.
    const QString copy = m_dir.filePath(QStringLiteral("horolux"));
    QVERIFY(QFile::copy(built, copy));
    QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile settings(m_dir.filePath(QStringLiteral("GPSInit.ini")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(QByteArray("\x00\xff\x00\xaa", 4));
    settings.close();
    const QString runtime = m_dir.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    // Xvfb picks a free display and names it on its standard output once it accepts clients.
    m_xserver.start(xvfb,
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
            QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp")});
    QVERIFY2(m_xserver.waitForStarted(), qPrintable(m_xserver.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_xserver.canReadLine(), kStartTimeoutMs);
    const QByteArray display = m_xserver.readLine().trimmed();
    QVERIFY(!display.isEmpty());

    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display));
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
}

void tst_Duplicate::cleanupTestCase()
{
    if (m_xserver.state() == QProcess::NotRunning)
        return;
    m_xserver.terminate();
    if (!m_xserver.waitForFinished(5000))
        m_xserver.kill();
}

bool tst_Duplicate::xdotool(const QStringList &arguments, QByteArray *output) const
{
    QProcess tool;
    tool.setProcessEnvironment(m_env);
    tool.start(m_xdotool, arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit
        || tool.exitCode() != 0)
        return false;
    if (output)
        *output = tool.readAllStandardOutput().trimmed();
    return true;
}

QString tst_Duplicate::visibleWindowOf(const QProcess &process) const
{
    QByteArray ids;
    if (!xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--pid"), QString::number(process.processId())},
            &ids))
        return {};
    return QString::fromLatin1(ids.split('\n').constFirst());
}

void tst_Duplicate::startCopy(QProcess &process) const
{
    process.setProcessEnvironment(m_env);
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(m_dir.filePath(QStringLiteral("horolux")), {});
}

QString tst_Duplicate::lockFilePath() const
{
    const QStringList locks = QDir(m_dir.filePath(QStringLiteral("run")))
                                  .entryList({QStringLiteral("horolux-*.lock")}, QDir::Files);
    return locks.size() == 1 ? m_dir.filePath(QStringLiteral("run/") + locks.first()) : QString();
}

void tst_Duplicate::secondCopyWarnsAndLeaves()
{
    const QString settingsPath = m_dir.filePath(QStringLiteral("GPSInit.ini"));
    const QByteArray settingsBefore = contentOf(settingsPath);
    const QDateTime settingsTime = QFileInfo(settingsPath).lastModified();

    // The first copy takes the lock; this display has no tray, so it shows its main window.
    QProcess first;
    QElapsedTimer sinceStart;
    sinceStart.start();
    startCopy(first);
    QVERIFY(first.waitForStarted());
    QString firstWindow;
    QTRY_VERIFY_WITH_TIMEOUT(!(firstWindow = visibleWindowOf(first)).isEmpty(), kStartTimeoutMs);
    qInfo("first copy showed its window %lld ms after its start", qint64(sinceStart.elapsed()));
    QVERIFY(!lockFilePath().isEmpty());
    const QByteArray firstPid = QByteArray::number(first.processId());
    QCOMPARE(contentOf(lockFilePath()).split('\n').constFirst(), firstPid);

    // The second copy shows its box and nothing else.
    QProcess second;
    startCopy(second);
    QVERIFY(second.waitForStarted());
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = visibleWindowOf(second)).isEmpty(), kStartTimeoutMs);
    QByteArray title;
    QVERIFY(xdotool({QStringLiteral("getwindowname"), box}, &title));
    QCOMPARE(title, QByteArray("Horolux"));
    QVERIFY(second.state() == QProcess::Running);

    // Enter presses OK; the copy closes itself a moment later.
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QElapsedTimer sinceOk;
    sinceOk.start();
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, kStartTimeoutMs);
    qInfo("second copy ended %lld ms after OK", qint64(sinceOk.elapsed()));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    // The first copy runs on, still holding the lock, and the settings file is as it was.
    QVERIFY(first.state() == QProcess::Running);
    QCOMPARE(visibleWindowOf(first), firstWindow);
    QCOMPARE(contentOf(lockFilePath()).split('\n').constFirst(), firstPid);
    QCOMPARE(contentOf(settingsPath), settingsBefore);
    QCOMPARE(QFileInfo(settingsPath).lastModified(), settingsTime);

    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}

QTEST_GUILESS_MAIN(tst_Duplicate)
#include "tst_duplicate.moc"
