#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The clock-setting helper, run as a plain program (no capability) with the clock shim
// preloaded, so that whatever it sets is the shim's private clock, never this machine's.
class tst_SetTime : public QObject
{
    Q_OBJECT
private slots:
    void answersEachRequest();
};

namespace {
const QByteArray kFirst = "4102444799"; // 2099-12-31 23:59:59, the last accepted second

bool shimLoaded(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("horolux_clockshim");
}
} // namespace

void tst_SetTime::answersEachRequest()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("set.log"));
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(HOROLUX_TEST_SHIM));
    env.insert(QStringLiteral("HOROLUX_SHIM_LOG"), log);
    helper.setProcessEnvironment(env);
    helper.start(QStringLiteral(HOROLUX_TEST_SETTIME), {});
    QVERIFY(helper.waitForStarted());
    // Nothing may reach the real clock: no request is sent unless the shim is in the process.
    QTRY_VERIFY(shimLoaded(helper.processId()));

    const QList<std::pair<QByteArray, QByteArray>> exchanges = {
        {kFirst, "ok"},
        {"", "error empty request"},
        {"12ab", "error not a number of seconds"},
        {"+4102444000", "error not a number of seconds"},
        {"-1", "error not a number of seconds"},
        {" 4102444000", "error not a number of seconds"},
        {"1175000000", "error out of range"}, // 2007: a receiver's week-number rollover
        {"4102444800", "error out of range"}, // 2100
        {"99999999999999999999999", "error out of range"},
        {QByteArray(5000, '7'), "error out of range"},
        {"4102444000", "ok"},
    };
    for (const auto &[request, expected] : exchanges) {
        helper.write(request + '\n');
        QTRY_VERIFY(helper.canReadLine());
        QCOMPARE(helper.readLine().trimmed(), expected);
    }
    helper.closeWriteChannel();
    QVERIFY(helper.waitForFinished());
    QCOMPARE(helper.exitCode(), 0);

    QFile set(log);
    QVERIFY(set.open(QIODevice::ReadOnly));
    QCOMPARE(set.readAll(), QByteArray("4102444799000\n4102444000000\n"));
}

QTEST_GUILESS_MAIN(tst_SetTime)
#include "tst_settime.moc"
