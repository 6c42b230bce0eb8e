#include "platform/ClockMasterProbe.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Another time service on the machine is found from the running processes, and told once.
class tst_ClockMasters : public QObject
{
    Q_OBJECT
private slots:
    void foundAmongProcesses_data();
    void foundAmongProcesses();
};

void tst_ClockMasters::foundAmongProcesses_data()
{
    QTest::addColumn<QStringList>("processes");
    QTest::addColumn<QString>("found");
    QTest::newRow("chrony") << QStringList {"bash", "chronyd"} << QStringLiteral("chronyd");
    // The kernel cuts the name to 15 characters.
    QTest::newRow("timesyncd") << QStringList {"systemd-timesyn"}
                               << QStringLiteral("systemd-timesyncd");
    QTest::newRow("none") << QStringList {"bash", "ntpdate", "chronyc"} << QString();
}

void tst_ClockMasters::foundAmongProcesses()
{
    QFETCH(QStringList, processes);
    QFETCH(QString, found);
    QTemporaryDir proc;
    for (int pid = 0; pid < processes.size(); ++pid) {
        QDir(proc.path()).mkpath(QString::number(pid + 1));
        QFile comm(proc.filePath(QStringLiteral("%1/comm").arg(pid + 1)));
        QVERIFY(comm.open(QIODevice::WriteOnly));
        comm.write(processes[pid].toLatin1() + '\n');
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
