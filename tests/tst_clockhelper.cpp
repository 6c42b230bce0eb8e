#include "FakeClockHelper.h"
#include "platform/ClockHelper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>

// How the program talks to the clock-setting helper, with fake helpers in its place.
class tst_ClockHelper : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void endsWithoutWaitingForTheHelper();
    void foundInLibexecNeverBeside();
};

void tst_ClockHelper::answers_data()
{
    QTest::addColumn<QByteArray>("script"); // the fake helper's loop body; $r is the request
    QTest::addColumn<QString>("refused");
    QTest::newRow("ok") << QByteArray("echo ok") << QString();
    QTest::newRow("refused") << QByteArray("echo 'error Operation not permitted'")
                             << QStringLiteral("Operation not permitted");
    QTest::newRow("silent") << QByteArray("read more")
                            << QStringLiteral("the helper gave no answer");
    QTest::newRow("gone") << QByteArray("exit 0") << QStringLiteral("the helper gave no answer");
    QTest::newRow("gibberish") << QByteArray("echo yes")
                               << QStringLiteral("the helper's answer was not understood");
    QTest::newRow("talks on without a line end")
        << QByteArray("printf 'error %0200d' 0; read more")
        << QStringLiteral("the helper's answer was not understood");
    // Nothing of the program's environment, ignored signals (those of the C library's own
    // above 31 aside) or blocked signals reaches it.
    QTest::newRow("started clean")
        << QByteArray("i=$(sed -n 's/^SigIgn:\\s*//p' /proc/$$/status); "
                      "b=$(sed -n 's/^SigBlk:\\s*//p' /proc/$$/status); "
                      "if [ -z \"$HOROLUX_INHERITED\" ] && [ $((0x$i & 0x7fffffff)) = 0 ] "
                      "&& [ $((0x$b)) = 0 ]; then echo ok; else echo 'error inherited'; fi")
        << QString();
}

void tst_ClockHelper::answers()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, refused);
    FakeClockHelper fake(script);
    qputenv("HOROLUX_INHERITED", "1");
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    ClockHelper helper(fake.program(), 300);
    QCOMPARE(helper.setMSecs(4102444000005), refused);
    pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
    qunsetenv("HOROLUX_INHERITED");
    QCOMPARE(fake.requests(), QByteArray("4102444000.005\n"));
    // A helper that went away is started again for the next request.
    if (refused.isEmpty())
        QCOMPARE(helper.setMSecs(4102444001000), QString());
}

void tst_ClockHelper::endsWithoutWaitingForTheHelper()
{
    // A helper slow to end after its input closes must not hold the program up.
    FakeClockHelper fake("echo ok; trap '' TERM; exec sleep 30");
    qint64 pid = 0;
    QElapsedTimer ending;
    {
        ClockHelper helper(fake.program(), 5000);
        pid = helper.start();
        QCOMPARE(helper.setMSecs(4102444000000), QString());
        ending.start();
    }
    QVERIFY2(ending.elapsed() < 1000, qPrintable(QString::number(ending.elapsed())));
    ::kill(pid_t(pid), SIGKILL);
    ::waitpid(pid_t(pid), nullptr, 0);
}

void tst_ClockHelper::foundInLibexecNeverBeside()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString system = prefix.filePath(QStringLiteral("system"));
    const QString installed = prefix.filePath(QStringLiteral("libexec/horolux/horolux-settime"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(system));
    // Beside the executable, in a folder its user controls: never taken.
    QFile::copy(QStringLiteral("/bin/true"), bin + QStringLiteral("/horolux-settime"));
    QCOMPARE(ClockHelper::find(bin, system), QString());
    QFile::copy(QStringLiteral("/bin/true"), system + QStringLiteral("/horolux-settime"));
    QCOMPARE(ClockHelper::find(bin, system), system + QStringLiteral("/horolux-settime"));
    QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
    QFile::copy(QStringLiteral("/bin/true"), installed);
    QCOMPARE(ClockHelper::find(bin, system), QFileInfo(installed).canonicalFilePath());
}

QTEST_GUILESS_MAIN(tst_ClockHelper)
#include "tst_clockhelper.moc"
