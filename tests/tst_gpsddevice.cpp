// A receiver read through gpsd: the address forms, the watch request, NMEA lines kept apart from
// gpsd's own reports, a refused or dropped connection.
#include "serial/CommError.h"
#include "serial/GpsdDevice.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class TestGpsdDevice : public QObject
{
    Q_OBJECT
private slots:
    void parsesAddresses_data();
    void parsesAddresses();
    void passesOnNmeaLinesOnly();
    void refusedConnectionIsAMissingDevice();
    void drainingStopsTheWatch();

private:
    struct Peer
    {
        QTcpServer server;
        QTcpSocket *client = nullptr;
    };
    // A device connected to a listening peer that has taken its watch request.
    std::unique_ptr<GpsdDevice> connectTo(Peer &peer, const QString &device = {});
    QStringList m_told;
};

void TestGpsdDevice::parsesAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("endpoint"); // empty: refused
    QTest::addColumn<QString>("device");
    QTest::newRow("host only") << "gpsd://127.0.0.1"
                               << "127.0.0.1:2947"
                               << "";
    QTest::newRow("port and device") << "gpsd://gps.lan:3000/dev/ttyUSB0"
                                     << "gps.lan:3000"
                                     << "/dev/ttyUSB0";
    QTest::newRow("ipv6") << "gpsd://[::1]:2948"
                          << "[::1]:2948"
                          << "";
    QTest::newRow("no host") << "gpsd://:2947"
                             << ""
                             << "";
    QTest::newRow("port zero") << "gpsd://localhost:0"
                               << ""
                               << "";
    QTest::newRow("port too large") << "gpsd://localhost:65536"
                                    << ""
                                    << "";
    QTest::newRow("signed port") << "gpsd://localhost:+80"
                                 << ""
                                 << "";
    QTest::newRow("empty port") << "gpsd://localhost:"
                                << ""
                                << "";
    QTest::newRow("open bracket") << "gpsd://[::1"
                                  << ""
                                  << "";
    QTest::newRow("other scheme") << "tcp://localhost"
                                  << ""
                                  << "";
}

void TestGpsdDevice::parsesAddresses()
{
    QFETCH(QString, url);
    QFETCH(QString, endpoint);
    QFETCH(QString, device);
    const auto address = GpsdAddress::parse(url);
    QCOMPARE(address.has_value(), !endpoint.isEmpty());
    if (address) {
        QCOMPARE(address->endpoint(), endpoint);
        QCOMPARE(address->device, device);
    }
}

std::unique_ptr<GpsdDevice> TestGpsdDevice::connectTo(Peer &peer, const QString &device)
{
    if (!peer.server.listen(QHostAddress::LocalHost))
        return nullptr;
    GpsdAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = peer.server.serverPort();
    address.device = device;
    auto gpsd = std::make_unique<GpsdDevice>(address, [this](const QString &r) { m_told << r; });
    if (!peer.server.waitForNewConnection(2000))
        return nullptr;
    peer.client = peer.server.nextPendingConnection();
    if (!QTest::qWaitFor([&] { return peer.client->canReadLine(); }, 2000))
        return nullptr;
    return gpsd;
}

void TestGpsdDevice::passesOnNmeaLinesOnly()
{
    Peer peer;
    const auto gpsd = connectTo(peer, QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(gpsd);
    QCOMPARE(peer.client->readLine(),
        QByteArray("?WATCH={\"device\":\"/dev/ttyUSB0\",\"enable\":true,\"nmea\":true}\n"));
    const QByteArray rmc
        = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
    peer.client->write("{\"class\":\"DEVICES\",\"devices\":[{\"path\":\"/dev/ttyS0\",\"bps\":4800},"
                       "{\"path\":\"/dev/ttyUSB0\",\"bps\":9600}]}\r\n"
        + rmc + "{\"class\":\"TPV\",\"mode\":3}\r\n$GPRMC,1235");
    peer.client->flush();
    QTRY_COMPARE(gpsd->bytesAvailable(), rmc.size());
    QCOMPARE(gpsd->read(1000), rmc);
    QCOMPARE(gpsd->lineSpeed(), 9600);

    peer.client->close();
    QTRY_VERIFY(gpsd->hasFailed());
    QCOMPARE(m_told.size(), 1);
    QVERIFY_THROWS_EXCEPTION(CommError, gpsd->read(1));
}

void TestGpsdDevice::refusedConnectionIsAMissingDevice()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    GpsdAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = closed.serverPort();
    closed.close();
    try {
        GpsdDevice device(address, [](const QString &) {});
        QFAIL("a refused connection opened");
    } catch (const CommError &error) {
        QCOMPARE(error.number(), int(CommError::InvalidPortNumber));
        QVERIFY2(error.detail().contains(address.endpoint()), qPrintable(error.detail()));
    }
}

void TestGpsdDevice::drainingStopsTheWatch()
{
    Peer peer;
    const auto gpsd = connectTo(peer);
    QVERIFY(gpsd);
    peer.client->readLine();
    gpsd->setDraining(true);
    QTRY_VERIFY(peer.client->canReadLine());
    QCOMPARE(peer.client->readLine(), QByteArray("?WATCH={\"enable\":false}\n"));
    // A line already on its way is thrown away; the report after it shows it has been read.
    peer.client->write("$GPRMC,in flight\r\n{\"class\":\"DEVICE\",\"bps\":4800}\r\n");
    peer.client->flush();
    QTRY_COMPARE(gpsd->lineSpeed(), 4800);
    QCOMPARE(gpsd->bytesAvailable(), 0);
}

QTEST_GUILESS_MAIN(TestGpsdDevice)
#include "tst_gpsddevice.moc"
