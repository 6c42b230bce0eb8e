#include "platform/ClockMasterProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Another time service on the machine is found from the running processes, and told once.
class tst_ClockMasters : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void silentSystemBusDoesNotHoldUpStartUp();
    void foundAmongProcesses_data();
    void foundAmongProcesses();

private:
    QTemporaryDir m_busDir;
    int m_bus = -1; // takes connections and never answers
};

void tst_ClockMasters::initTestCase()
{
    const QByteArray path = QFile::encodeName(m_busDir.filePath(QStringLiteral("bus")));
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    m_bus = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(::bind(m_bus, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(m_bus, 8) == 0);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + path);
}

void tst_ClockMasters::cleanupTestCase()
{
    ::close(m_bus); // the waiting connection fails now
}

void tst_ClockMasters::silentSystemBusDoesNotHoldUpStartUp()
{
    QTemporaryDir proc;
    ClockMasterProbe probe(proc.path());
    QElapsedTimer took;
    took.start();
    probe.start();
    QVERIFY2(took.elapsed() < 1000, QByteArray::number(took.elapsed()).constData());
}

void tst_ClockMasters::foundAmongProcesses_data()
{
    QTest::addColumn<QStringList>("processes"); // comm|exe|owner, exe unreadable when empty
    QTest::addColumn<QString>("found");
    QTest::newRow("chrony") << QStringList {"bash", "chronyd"} << QStringLiteral("chronyd");
    // The kernel cuts the name to 15 characters.
    QTest::newRow("timesyncd, its file replaced")
        << QStringList {"systemd-timesyn|/lib/systemd/systemd-timesyncd (deleted)"}
        << QStringLiteral("systemd-timesyncd");
    QTest::newRow("named chronyd, another program")
        << QStringList {"chronyd|/home/eve/chronyd.sh"} << QString();
    QTest::newRow("named ntpd, a person's") << QStringList {"ntpd||1000"} << QString();
    QTest::newRow("none") << QStringList {"bash", "ntpdate", "chronyc"} << QString();
}

void tst_ClockMasters::foundAmongProcesses()
{
    QFETCH(QStringList, processes);
    QFETCH(QString, found);
    QTemporaryDir proc;
    for (int pid = 0; pid < processes.size(); ++pid) {
        const QStringList parts = processes[pid].split(QLatin1Char('|'));
        const QString dir = proc.filePath(QString::number(pid + 1));
        QDir().mkpath(dir);
        QFile comm(dir + QStringLiteral("/comm"));
        QVERIFY(comm.open(QIODevice::WriteOnly));
        comm.write(parts[0].toLatin1() + '\n');
        if (parts.value(1).size())
            QVERIFY(QFile::link(parts[1], dir + QStringLiteral("/exe")));
        if (parts.value(2).size() && ::chown(QFile::encodeName(dir), parts[2].toUInt(), 0) != 0)
            QSKIP("giving a folder to another user needs root");
    }
    ClockMasterProbe probe(proc.path());
    QSignalSpy spy(&probe, &ClockMasterProbe::found);
    probe.start();
    probe.start();
    QCOMPARE(spy.count(), found.isEmpty() ? 0 : 1);
    if (!found.isEmpty())
        QCOMPARE(spy.first().first().toString(), found);
}

QTEST_GUILESS_MAIN(tst_ClockMasters)
#include "tst_clockmasters.moc"
