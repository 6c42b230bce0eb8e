#include "Fixtures.h"
#include "GpsdPeer.h"
#include "PseudoTerminal.h"
#include "TestRig.h"

#include "serial/SerialDevice.h"

#include "setup/Form5.h"
#include "transmit/RmcTransmitter.h"

#include <QJsonObject>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

// gpsd, a real NMEA consumer, must accept our sentences (checksum included) and understand
// exactly the UTC minute we meant, at second 30.
namespace {
constexpr int kWaitMs = 15000;

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
};

void tst_Gpsd::initTestCase()
{
    const QString missing = GpsdPeer::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing
            + QStringLiteral("; the check against a real NMEA consumer is "
                             "skipped")));
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
    openAt2400(port, 2);
    rig.m().transmitPort = 2;

    GpsdPeer gpsd;
    QString error;
    QVERIFY2(gpsd.start(gpsLine.slavePath(), &error), qPrintable(error));

    // Repeat the minute's sentence until gpsd has reported it twice: the first sentences may
    // go to recognising the device.
    QTimer feeder;
    Relay relay(clockLine, gpsLine);
    connect(&feeder, &QTimer::timeout, &feeder, [&] {
        rig.app().transmitter().TransmitRmc();
        relay.pass();
    });
    feeder.start(100);
    QTRY_VERIFY2_WITH_TIMEOUT(
        gpsd.reports(QStringLiteral("TPV")).size() >= 2, gpsd.daemonErrors().constData(), kWaitMs);
    feeder.stop();

    // Every report is our minute at second 30; none is the forged copy.
    for (const QJsonObject &tpv : gpsd.reports(QStringLiteral("TPV")))
        QCOMPARE(tpv.value(QStringLiteral("time")).toString(), expected);
}

QTEST_MAIN(tst_Gpsd)
#include "tst_gpsd.moc"
