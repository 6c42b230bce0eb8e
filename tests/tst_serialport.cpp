#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "serial/CommError.h"
#include "serial/DevicePortFactory.h"
#include "serial/MSComm.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <termios.h>

class tst_SerialPort : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readsOneCharacterAtATimeAndWrites();
    void reportsNumberedErrors_data();
    void reportsNumberedErrors();
    void secondOpenOfOneDeviceIsRefused();
    void unpluggedDeviceClosesAndCanReopen_data();
    void unpluggedDeviceClosesAndCanReopen();
    void unpluggedNumberIsNotHandedOn_data();
    void unpluggedNumberIsNotHandedOn();
    void idleInputIsDrainedSoAHangUpIsSeen();
    void portNumberMapsToLinkThenSerialDevice();
    void portsConfMapsDeviceAndSpeed_data();
    void portsConfMapsDeviceAndSpeed();
    void delayAndSpeedGoWithTheOpenPort();

private:
    int errorOf(const std::function<void()> &operation);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DevicePortFactory> m_ports;
};

void tst_SerialPort::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_ports = std::make_unique<DevicePortFactory>(m_dir->path());
}

int tst_SerialPort::errorOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const CommError &error) {
        return error.number();
    }
    return 0;
}

void tst_SerialPort::readsOneCharacterAtATimeAndWrites()
{
    PseudoTerminal pty;
    pty.linkAsPort(m_dir->path(), 3);
    MSComm port(*m_ports);
    port.setInputLen(1);
    openAt2400(port, 3);
    QVERIFY(port.PortOpen());
    QVERIFY(port.CTSHolding()); // no modem lines on a pseudo-terminal

    pty.write(QByteArray("AB\0C", 4));
    QTRY_COMPARE(port.InBufferCount(), 4);
    QCOMPARE(port.Input(), QByteArray("A"));
    QCOMPARE(port.Input(), QByteArray("B"));
    QCOMPARE(port.Input(), QByteArray(1, '\0'));
    port.setInBufferCount(0);
    QCOMPARE(port.Input(), QByteArray());

    port.setOutput("$GPRMC\r\n");
    QByteArray sent;
    QTRY_COMPARE(sent += pty.readAvailable(), QByteArray("$GPRMC\r\n"));
    port.setPortOpen(false);
    QVERIFY(!port.PortOpen());
}

void tst_SerialPort::reportsNumberedErrors_data()
{
    QTest::addColumn<int>("expected");
    QTest::addColumn<std::function<void(MSComm &)>>("operation");
    using Op = std::function<void(MSComm &)>;
    QTest::newRow("port 0") << int(CommError::InvalidPortNumber)
                            << Op([](MSComm &p) { p.setCommPort(0); });
    QTest::newRow("no such device") << int(CommError::InvalidPortNumber) << Op([](MSComm &p) {
        p.setCommPort(200);
        p.setPortOpen(true);
    });
    QTest::newRow("bad settings") << int(CommError::InvalidPropertyValue)
                                  << Op([](MSComm &p) { p.setSettings(QStringLiteral("fast")); });
    QTest::newRow("read closed") << int(CommError::PortNotOpen) << Op([](MSComm &p) { p.Input(); });
    QTest::newRow("write closed") << int(CommError::PortNotOpen)
                                  << Op([](MSComm &p) { p.setOutput("x"); });
    QTest::newRow("CTS closed") << int(CommError::PortNotOpen)
                                << Op([](MSComm &p) { p.CTSHolding(); });
}

void tst_SerialPort::reportsNumberedErrors()
{
    QFETCH(int, expected);
    QFETCH(std::function<void(MSComm &)>, operation);
    MSComm port(*m_ports);
    QCOMPARE(errorOf([&] { operation(port); }), expected);
    QVERIFY(!port.PortOpen());
}

void tst_SerialPort::secondOpenOfOneDeviceIsRefused()
{
    PseudoTerminal pty;
    pty.linkAsPort(m_dir->path(), 2);
    pty.linkAsPort(m_dir->path(), 5); // a second name for the same device
    MSComm first(*m_ports);
    MSComm second(*m_ports);
    openAt2400(first, 2);
    QCOMPARE(errorOf([&] { openAt2400(second, 2); }), int(CommError::PortAlreadyOpen));
    second.setPortOpen(false);
    QCOMPARE(errorOf([&] { openAt2400(second, 5); }), int(CommError::PortAlreadyOpen));
    QCOMPARE(errorOf([&] { first.setCommPort(4); }), int(CommError::OperationNotValidWhileOpen));
    QCOMPARE(first.CommPort(), 2);
    first.setPortOpen(false);
    QCOMPARE(errorOf([&] { openAt2400(second, 5); }), 0);
}

void tst_SerialPort::unpluggedDeviceClosesAndCanReopen_data()
{
    QTest::addColumn<bool>("outputOnly");
    QTest::newRow("read and written") << false;
    QTest::newRow("only written") << true;
}

void tst_SerialPort::unpluggedDeviceClosesAndCanReopen()
{
    QFETCH(bool, outputOnly);
    auto pty = std::make_unique<PseudoTerminal>();
    pty->linkAsPort(m_dir->path(), 1);
    MSComm port(*m_ports);
    port.setOutputOnly(outputOnly);
    openAt2400(port, 1);
    pty->hangUp();
    // Unwatched, the port sees the hang-up as soon as it is asked, without the event loop.
    if (outputOnly)
        QVERIFY(!port.PortOpen());
    QTRY_VERIFY(errorOf([&] { port.Input(); }) != 0 || !port.PortOpen());
    QTRY_VERIFY(!port.PortOpen());

    pty = std::make_unique<PseudoTerminal>();
    pty->linkAsPort(m_dir->path(), 1);
    QCOMPARE(errorOf([&] { port.setPortOpen(true); }), 0);
    port.setOutput("x");
    QByteArray passed;
    QTRY_COMPARE(passed += pty->readAvailable(), QByteArray("x"));
}

void tst_SerialPort::unpluggedNumberIsNotHandedOn_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::newRow("hung up") << false;
    QTest::newRow("dropped by the test") << true;
}

void tst_SerialPort::unpluggedNumberIsNotHandedOn()
{
    QFETCH(bool, dropped);
    // Another test's terminal must never take the number the link still names: the program
    // would open that stranger's device, or find it locked, when it tries its port again.
    auto pty = std::make_unique<PseudoTerminal>();
    pty->linkAsPort(m_dir->path(), 1);
    MSComm port(*m_ports);
    openAt2400(port, 1);
    if (dropped)
        pty.reset();
    else
        pty->hangUp();
    QTRY_VERIFY(!port.PortOpen());
    PseudoTerminal stranger;
    QCOMPARE(errorOf([&] { port.setPortOpen(true); }), int(CommError::InvalidPortNumber));
}

void tst_SerialPort::idleInputIsDrainedSoAHangUpIsSeen()
{
    PseudoTerminal pty;
    pty.linkAsPort(m_dir->path(), 1);
    MSComm port(*m_ports);
    port.setDrainWhileIdle(true);
    openAt2400(port, 1);
    // Unread input never fills Qt's buffer, where Qt would stop watching the port for good.
    pty.write(QByteArray(4096, 'x'));
    QTRY_VERIFY(port.InBufferCount() > 0);
    QCOMPARE(port.InBufferCount(), 1);
    // Thrown away, the port is no longer watched; the next throwing away still sees the hang-up.
    QTRY_COMPARE(port.InBufferCount(), 0);
    pty.write("$GPRMC\r\n");
    pty.hangUp();
    QTRY_VERIFY(!port.PortOpen());
}

void tst_SerialPort::portNumberMapsToLinkThenSerialDevice()
{
    PseudoTerminal pty;
    pty.linkAsPort(m_dir->path(), 8);
    QCOMPARE(m_ports->devicePath(8), m_dir->path() + QStringLiteral("/ports/COM8"));
    QCOMPARE(m_ports->devicePath(1), QStringLiteral("/dev/ttyS0"));
    // Unplugged, the link still names the device: no such port, not /dev/ttyS7.
    pty.hangUp();
    QCOMPARE(m_ports->devicePath(8), m_dir->path() + QStringLiteral("/ports/COM8"));
    MSComm port(*m_ports);
    QCOMPARE(errorOf([&] { openAt2400(port, 8); }), int(CommError::InvalidPortNumber));
}

void tst_SerialPort::portsConfMapsDeviceAndSpeed_data()
{
    QTest::addColumn<QByteArray>("conf"); // $PTY is the pseudo-terminal, $DIR the settings folder
    QTest::addColumn<bool>("link"); // ports/COM1 leads to the pseudo-terminal too
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("told"); // the end of the standard error line
    QTest::addColumn<unsigned>("speed");
    const QByteArray pty = "[COM1]\ndevice=$PTY\n";
    const int invalidPort = CommError::InvalidPortNumber;
    QTest::newRow("nothing: 2400") << QByteArray() << true << 0 << QString() << unsigned(B2400);
    QTest::newRow("device at 9600")
        << pty + "speed=9600" << false << 0 << QString() << unsigned(B9600);
    QTest::newRow("device, no speed") << pty << false << 0 << QString() << unsigned(B2400);
    QTest::newRow("speed only keeps the link")
        << QByteArray("[COM1]\nspeed=4800\n[COM2]\nspeed=9600") << true << 0 << QString()
        << unsigned(B4800);
    QTest::newRow("entry before link") << QByteArray("[COM1]\ndevice=$DIR/gone") << true
                                       << invalidPort << "/gone: no such device" << 0u;
    QTest::newRow("plain file") << QByteArray("[COM1]\ndevice=$DIR/ports.conf") << false
                                << invalidPort << "ports.conf: not a character device" << 0u;
    QTest::newRow("speed 9601") << pty + "speed=9601" << false
                                << int(CommError::InvalidPropertyValue)
                                << "/ports.conf is not an accepted one" << 0u;
    QTest::newRow("delay 1.0001") << pty + "delay=1.0001" << false
                                  << int(CommError::InvalidPropertyValue)
                                  << "/ports.conf is not seconds from 0 to 1 with at most three "
                                     "decimals"
                                  << 0u;
}

void tst_SerialPort::portsConfMapsDeviceAndSpeed()
{
    QFETCH(QByteArray, conf);
    QFETCH(bool, link);
    QFETCH(QString, told);
    PseudoTerminal pty;
    if (link)
        pty.linkAsPort(m_dir->path(), 1);
    QFile file(m_dir->path() + QStringLiteral("/ports.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(conf.replace("$PTY", pty.slavePath().toLocal8Bit())
                   .replace("$DIR", m_dir->path().toLocal8Bit()));
    file.close();
    if (!told.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(QStringLiteral("COM1: .*") + QRegularExpression::escape(told)));
    MSComm port(*m_ports);
    QTEST(errorOf([&] { openAt2400(port, 1); }), "error");
    if (told.isEmpty())
        QTEST(pty.outputSpeed(), "speed");
}

void tst_SerialPort::delayAndSpeedGoWithTheOpenPort()
{
    PseudoTerminal pty;
    QFile file(m_dir->path() + QStringLiteral("/ports.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[COM2]\ndevice=" + pty.slavePath().toLocal8Bit() + "\nspeed=4800\ndelay=0.08\n");
    file.close();
    MSComm port(*m_ports);
    openAt2400(port, 2);
    QCOMPARE(port.baudRate(), 4800);
    QCOMPARE(port.receiverDelayMillis(), 80);
    port.setPortOpen(false);
    QCOMPARE(port.receiverDelayMillis(), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_SerialPort)
#include "tst_serialport.moc"
