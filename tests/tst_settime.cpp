#include "common/BuildTime.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

// The clock-setting helper (its test build, which takes the stamp of its step limit as an
// argument), run as a plain program (no capability) with the clock shim preloaded, so that
// whatever it sets is the shim's private clock, never this machine's.
class tst_SetTime : public QObject
{
    Q_OBJECT
private slots:
    void answersEachWholeLine_data();
    void answersEachWholeLine();
    void stepsAtMostOnceInTenSeconds();
};

namespace {
const qint64 kEarliest = buildTimeMSecs() / 1000;
const qint64 kLatest = kEarliest + 1024LL * 7 * 24 * 3600; // what a week number can name

QByteArray at(qint64 seconds, const QByteArray &rest = "\n")
{
    return QByteArray::number(seconds) + rest;
}

bool shimLoaded(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("horolux_clockshim");
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One run of the helper: the shim's log of settings goes to `log`.
class HelperRun
{
public:
    HelperRun(const QString &stamp, const QString &log)
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(HOROLUX_TEST_SHIM));
        env.insert(QStringLiteral("HOROLUX_SHIM_LOG"), log);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(HOROLUX_TEST_SETTIME), {stamp});
    }
    // Nothing may reach the real clock: no request is sent unless the shim is in the process.
    bool ready()
    {
        return process.waitForStarted()
            && QTest::qWaitFor([&] { return shimLoaded(process.processId()); });
    }
    QByteArray answer(const QByteArray &request)
    {
        process.write(request);
        if (!QTest::qWaitFor([&] { return process.canReadLine(); }))
            return {};
        return process.readLine();
    }

    QProcess process;
};
} // namespace

void tst_SetTime::answersEachWholeLine_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QByteArray>("settings"); // the shim's log: epoch milliseconds
    const QByteArray ok = "ok\n";
    const QByteArray malformed = "error not a number of seconds\n";
    const QByteArray outOfRange = "error out of range\n";
    const QByteArray tooLong = "error too long\n";
    const QByteArray none;
    QTest::newRow("the build's second") << at(kEarliest) << ok << at(kEarliest * 1000);
    QTest::newRow("1024 weeks on") << at(kLatest) << ok << at(kLatest * 1000);
    QTest::newRow("before the build") << at(kEarliest - 1) << outOfRange << none;
    QTest::newRow("past the week window") << at(kLatest + 1) << outOfRange << none;
    QTest::newRow("2099") << at(4102444799) << outOfRange << none;
    QTest::newRow("eleven digits") << at(12345678901) << outOfRange << none;
    QTest::newRow("milliseconds") << at(kEarliest, ".123\n") << ok << at(kEarliest * 1000 + 123);
    QTest::newRow("nanoseconds") << at(kEarliest, ".987654321\n") << ok
                                 << at(kEarliest * 1000 + 987);
    QTest::newRow("tenths") << at(kEarliest, ".5\n") << ok << at(kEarliest * 1000 + 500);
    QTest::newRow("empty line") << QByteArray("\n") << QByteArray("error empty request\n") << none;
    QTest::newRow("letters") << QByteArray("12ab\n") << malformed << none;
    QTest::newRow("plus sign") << QByteArray("+") + at(kEarliest) << malformed << none;
    QTest::newRow("minus sign") << QByteArray("-1\n") << malformed << none;
    QTest::newRow("space before") << QByteArray(" ") + at(kEarliest) << malformed << none;
    QTest::newRow("space after") << at(kEarliest, " \n") << malformed << none;
    QTest::newRow("empty fraction") << at(kEarliest, ".\n") << malformed << none;
    QTest::newRow("fraction alone") << QByteArray(".5\n") << malformed << none;
    QTest::newRow("ten fraction digits") << QByteArray("1.1234567890\n") << malformed << none;
    QTest::newRow("ten fraction digits, whole")
        << at(kEarliest, ".1234567890\n") << tooLong << none;
    QTest::newRow("two marks") << at(kEarliest, ".1.2\n") << malformed << none;
    QTest::newRow("signed fraction") << at(kEarliest, ".-5\n") << malformed << none;
    QTest::newRow("comma") << at(kEarliest, ",5\n") << malformed << none;
    QTest::newRow("exponent") << at(kEarliest, "e0\n") << malformed << none;
    QTest::newRow("NUL inside a line")
        << at(kEarliest, QByteArray("\0xx\n", 4) + "00000000\n") << malformed + outOfRange << none;
    QTest::newRow("NUL in the fraction")
        << at(kEarliest, QByteArray(".1\0\n", 4)) << malformed << none;
    QTest::newRow("carriage return") << at(kEarliest, "\r\n") << malformed << none;
    QTest::newRow("unterminated last line") << at(kEarliest, "") << none << none;
    QTest::newRow("one answer a line, unterminated tail dropped")
        << QByteArray("x\n") + at(kEarliest) + at(kEarliest + 1, "") << malformed + ok
        << at(kEarliest * 1000);
    QTest::newRow("5000 digits") << QByteArray(5000, '7') + '\n' << tooLong << none;
}

void tst_SetTime::answersEachWholeLine()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answers);
    QFETCH(QByteArray, settings);
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("set.log"));
    HelperRun run(dir.filePath(QStringLiteral("last-step")), log);
    QVERIFY(run.ready());
    run.process.write(input);
    run.process.closeWriteChannel();
    QVERIFY(run.process.waitForFinished());
    QCOMPARE(run.process.exitCode(), 0);
    QCOMPARE(run.process.readAllStandardOutput(), answers);
    QCOMPARE(contentOf(log), settings);
}

void tst_SetTime::stepsAtMostOnceInTenSeconds()
{
    QTemporaryDir dir;
    const QString stamp = dir.filePath(QStringLiteral("last-step"));
    const QString log = dir.filePath(QStringLiteral("set.log"));
    // A descriptor of the caller's is not the helper's to keep.
    const int inherited = ::open("/dev/null", O_RDONLY);
    HelperRun first(stamp, log);
    ::close(inherited);
    QVERIFY(first.ready());
    QCOMPARE(first.answer(at(kEarliest)), QByteArray("ok\n"));
    QCOMPARE(QDir(QStringLiteral("/proc/%1/fd").arg(first.process.processId()))
                 .entryList(QDir::Files | QDir::System),
        QStringList({"0", "1", "2"}));
    QCOMPARE(first.answer(at(kEarliest + 1)), QByteArray("error busy\n"));
    // Started again, the helper still knows of the last step.
    HelperRun second(stamp, log);
    QVERIFY(second.ready());
    QCOMPARE(second.answer(at(kEarliest + 2)), QByteArray("error busy\n"));
    // The last step long ago (CLOCK_BOOTTIME 1 s): the clock may be stepped again.
    QFile old(stamp);
    QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    old.write("0000000001000000000\n");
    old.close();
    QCOMPARE(second.answer(at(kEarliest + 3)), QByteArray("ok\n"));
    QCOMPARE(contentOf(log), at(kEarliest * 1000) + at((kEarliest + 3) * 1000));
    // Without a place to keep it, no step is made.
    HelperRun stampless(dir.filePath(QStringLiteral("missing/last-step")), log);
    QVERIFY(stampless.ready());
    QVERIFY(stampless.answer(at(kEarliest + 4)).startsWith("error no record of the last step"));
}

QTEST_GUILESS_MAIN(tst_SetTime)
#include "tst_settime.moc"
