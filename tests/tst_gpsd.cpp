#include "PseudoTerminal.h"
#include "TestRig.h"

#include "serial/SerialDevice.h"

#include "setup/Form5.h"
#include "transmit/RmcTransmitter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// gpsd, a real NMEA consumer, must accept our sentences (checksum included) and understand
// exactly the UTC minute we meant, at second 30.
namespace {
constexpr int kWaitMs = 15000;

// The client export segment gpsd would share with a production instance; ours gets its own key.
constexpr key_t kExportKey = 0x48584c54;
// gpsd's NTP segments NTP0 to NTP7 have fixed keys.
constexpr key_t kNtpKeyBase = 0x4e545030;

QList<key_t> gpsdSegmentKeys()
{
    QList<key_t> keys {kExportKey};
    for (key_t unit = 0; unit < 8; ++unit)
        keys << kNtpKeyBase + unit;
    return keys;
}

// Keys of segments that exist now, so that only the ones this test makes are removed.
QSet<key_t> existingSegments()
{
    QSet<key_t> found;
    for (key_t key : gpsdSegmentKeys()) {
        if (::shmget(key, 0, 0) >= 0)
            found.insert(key);
    }
    return found;
}

void removeNewSegments(const QSet<key_t> &before)
{
    for (key_t key : gpsdSegmentKeys()) {
        const int id = ::shmget(key, 0, 0);
        shmid_ds info {};
        if (id < 0 || before.contains(key) || ::shmctl(id, IPC_STAT, &info) != 0)
            continue;
        if (info.shm_nattch == 0)
            ::shmctl(id, IPC_RMID, nullptr);
    }
}

// A loopback port nobody listens on now (the kernel's pick).
int freeTcpPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

// Carries the program's transmit line to the device gpsd reads, whole lines only. After each
// sentence it adds a copy for second 31 that keeps the old checksum: gpsd must drop it.
class Relay
{
public:
    Relay(PseudoTerminal &from, PseudoTerminal &to)
        : m_from(from)
        , m_to(to)
    { }

    void pass()
    {
        m_pending += m_from.readAvailable();
        qsizetype end;
        while ((end = m_pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = m_pending.left(end + 2);
            m_pending.remove(0, end + 2);
            QByteArray forged = line;
            forged[12] = '1';
            m_to.write(line + forged);
        }
    }

private:
    PseudoTerminal &m_from;
    PseudoTerminal &m_to;
    QByteArray m_pending;
};
} // namespace

class tst_Gpsd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodesOurMinute_data();
    void decodesOurMinute();
    void cleanup();

private:
    void startGpsd(const QString &device);
    void startClient();
    QList<QJsonObject> reports(const QString &klass) const;
    void stopProcess(QProcess &process);

    QString m_gpsd;
    QString m_gpspipe;
    QSet<key_t> m_segmentsBefore;
    QTemporaryDir m_dir;
    int m_port = 0;
    QProcess m_daemon;
    QProcess m_client;
    QByteArray m_clientOutput;
};

void tst_Gpsd::initTestCase()
{
    const QStringList sbin {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    m_gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"));
    if (m_gpsd.isEmpty())
        m_gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"), sbin);
    m_gpspipe = QStandardPaths::findExecutable(QStringLiteral("gpspipe"));
    if (m_gpsd.isEmpty() || m_gpspipe.isEmpty())
        QSKIP("gpsd or gpspipe not installed (Debian packages gpsd and gpsd-clients); "
              "the check against a real NMEA consumer is skipped");
    QVERIFY(m_dir.isValid());
    connect(&m_client, &QProcess::readyReadStandardOutput, this,
        [this] { m_clientOutput += m_client.readAllStandardOutput(); });
}

void tst_Gpsd::decodesOurMinute_data()
{
    QTest::addColumn<QDateTime>("minute");
    QTest::addColumn<QString>("expected");

    QTest::newRow("last minute of 2026") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30),
        QTimeZone::utc()) << "2026-12-31T23:59:30.000Z";
    QTest::newRow("first minute of 2027") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 30, 400),
        QTimeZone::utc()) << "2027-01-01T00:00:30.000Z";
    QTest::newRow("leap day") << QDateTime(QDate(2028, 2, 29), QTime(7, 5, 30), QTimeZone::utc())
                              << "2028-02-29T07:05:30.000Z";
}

void tst_Gpsd::decodesOurMinute()
{
    QFETCH(QDateTime, minute);
    QFETCH(QString, expected);
    TestRig rig(minute);
    PseudoTerminal clockLine; // the program's transmit port
    PseudoTerminal gpsLine; // what gpsd reads
    clockLine.linkAsPort(rig.folder(), 2);
    MSComm &port = rig.app().form5()->MSComm2;
    port.setCommPort(2);
    port.setSettings(QStringLiteral("2400,N,8,1"));
    port.setPortOpen(true);
    rig.m().transmitPort = 2;

    m_segmentsBefore = existingSegments();
    startGpsd(gpsLine.slavePath());
    startClient();

    // Repeat the minute's sentence until gpsd has reported it twice: the first sentences may
    // go to recognising the device.
    QTimer feeder;
    Relay relay(clockLine, gpsLine);
    connect(&feeder, &QTimer::timeout, &feeder, [&] {
        rig.app().transmitter().TransmitRmc();
        relay.pass();
    });
    feeder.start(100);
    QTRY_VERIFY2_WITH_TIMEOUT(reports(QStringLiteral("TPV")).size() >= 2,
        m_daemon.readAllStandardError().constData(), kWaitMs);
    feeder.stop();

    // Every report is our minute at second 30; none is the forged copy.
    for (const QJsonObject &tpv : reports(QStringLiteral("TPV")))
        QCOMPARE(tpv.value(QStringLiteral("time")).toString(), expected);
}

void tst_Gpsd::cleanup()
{
    stopProcess(m_client);
    stopProcess(m_daemon);
    m_clientOutput.clear();
    removeNewSegments(m_segmentsBefore);
}

void tst_Gpsd::startGpsd(const QString &device)
{
    // Run as root, gpsd drops to an unprivileged user with the device's group; let it read the
    // terminal either way.
    ::chmod(device.toLocal8Bit().constData(), 0666);
    m_port = freeTcpPort();
    QVERIFY(m_port > 0);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GPSD_SHM_KEY"), QString::number(kExportKey));
    m_daemon.setProcessEnvironment(environment);
    m_daemon.start(m_gpsd,
        {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("-S"),
            QString::number(m_port), QStringLiteral("-F"), m_dir.filePath(QStringLiteral("sock")),
            QStringLiteral("-P"), m_dir.filePath(QStringLiteral("pid")), device});
    QVERIFY2(m_daemon.waitForStarted(kWaitMs), qPrintable(m_daemon.errorString()));
}

void tst_Gpsd::startClient()
{
    // gpsd needs a moment before it listens; gpspipe gives up at once if it cannot connect.
    const QString server = QStringLiteral("127.0.0.1:") + QString::number(m_port);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            stopProcess(m_client);
            m_client.start(m_gpspipe, {QStringLiteral("-w"), server});
            return m_client.waitForStarted(kWaitMs) && !m_client.waitForFinished(300);
        }(),
        kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!reports(QStringLiteral("WATCH")).isEmpty(), kWaitMs);
}

QList<QJsonObject> tst_Gpsd::reports(const QString &klass) const
{
    QList<QJsonObject> found;
    for (const QByteArray &line : m_clientOutput.split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value(QStringLiteral("class")).toString() == klass)
            found << report;
    }
    return found;
}

void tst_Gpsd::stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QTEST_MAIN(tst_Gpsd)
#include "tst_gpsd.moc"
