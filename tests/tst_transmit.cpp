#include "FakeRig.h"
#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"

#include "receive/RmcDecoder.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/UserNotice.h"
#include "transmit/Form4.h"
#include "transmit/MonitorTextBox.h"
#include "transmit/RmcSentence.h"
#include "transmit/RmcTransmitter.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

namespace {
QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

// A program on fake ports; port n of the fake factory is COMn.
struct TransmitRig : FakeRig
{
    using FakeRig::FakeRig;

    void useTransmitPort(int number)
    {
        m().transmitPort = qint16(number);
        openAt2400(form()->MSComm2, number);
    }
    void transmit() { app().transmitter().TransmitRmc(); }
    QString monitorText() { return app().form4()->Text1->text(); }
};
} // namespace

class tst_Transmit : public QObject
{
    Q_OBJECT
private slots:
    void sentenceForMinute_data();
    void sentenceForMinute();
    void everyMinuteOfAYearIsWellFormed();
    void portChoice_data();
    void portChoice();
    void writeErrors_data();
    void writeErrors();
    void nextMinuteAfterAnErrorSendsAgain();
    void sentenceReachesARealTerminal();
    void masterClockThatStopsReadingHoldsLittle();
};

void tst_Transmit::sentenceForMinute_data()
{
    QTest::addColumn<QDateTime>("clock");
    QTest::addColumn<QByteArray>("sentence");

    QTest::newRow("last minute of 2026")
        << utc(2026, 12, 31, 23, 59, 30)
        << QByteArray("$GPRMC,235930,A,3224.3425,N,09341.9247,W,0.0,000.0,311226,000.0,E*6F\r\n");
    QTest::newRow("first minute of 2027")
        << utc(2027, 1, 1, 0, 0, 30, 999)
        << QByteArray("$GPRMC,000030,A,3224.3425,N,09341.9247,W,0.0,000.0,010127,000.0,E*62\r\n");
    QTest::newRow("last minute of 1969")
        << utc(1969, 12, 31, 23, 59, 30)
        << QByteArray("$GPRMC,235930,A,3224.3425,N,09341.9247,W,0.0,000.0,311269,000.0,E*64\r\n");
    QTest::newRow("year 2000, padding")
        << utc(2000, 3, 5, 4, 7, 30)
        << QByteArray("$GPRMC,040730,A,3224.3425,N,09341.9247,W,0.0,000.0,050300,000.0,E*62\r\n");
    // The seconds are always 30: the schedule calls at second 30, even late in that second.
    QTest::newRow("afternoon")
        << utc(2026, 3, 5, 14, 7, 30, 500)
        << QByteArray("$GPRMC,140730,A,3224.3425,N,09341.9247,W,0.0,000.0,050326,000.0,E*67\r\n");
}

void tst_Transmit::sentenceForMinute()
{
    QFETCH(QDateTime, clock);
    QFETCH(QByteArray, sentence);
    TransmitRig fake(clock);
    fake.useTransmitPort(2);
    QVERIFY(!fake.app().isForm4Loaded());

    fake.transmit();

    // The monitor is not built for the text; built later, it shows it, hidden until asked.
    QVERIFY(!fake.app().isForm4Loaded());
    QVERIFY(!fake.app().form4()->isVisible());
    QCOMPARE(fake.ports->port(2).output, sentence);
    QCOMPARE(fake.monitorText(), QString::fromLatin1(sentence));
    QCOMPARE(fake.m().systemTime, systemTimeFromMSecs(clock.toMSecsSinceEpoch()));

    // Moved other than a minute on, the clock's own minute goes out, not the one made ready.
    fake.rig->clock().advance(-61 * 60 * 1000);
    fake.transmit();
    QVERIFY(fake.ports->port(2).output.endsWith(RmcSentence::build(fake.m().systemTime)));
}

void tst_Transmit::everyMinuteOfAYearIsWellFormed()
{
    static const QRegularExpression shape(
        QStringLiteral("^\\$GPRMC,(\\d\\d)(\\d\\d)30,A,3224\\.3425,N,09341\\.9247,W,0\\.0,000\\.0,"
                       "(\\d\\d)(\\d\\d)(\\d\\d),0\\d\\d\\.\\d,E\\*([0-9A-F]{2})\r\n$"));
    QDateTime minute = utc(2027, 1, 1, 0, 0, 30);
    QSet<QByteArray> checksums;
    for (int i = 0; i < 366 * 24 * 60; i += 7, minute = minute.addSecs(7 * 60)) {
        const QByteArray sentence
            = RmcSentence::build(systemTimeFromMSecs(minute.toMSecsSinceEpoch()));
        const auto match = shape.match(QString::fromLatin1(sentence));
        QVERIFY2(match.hasMatch(), sentence.constData());
        QCOMPARE(match.captured(1).toInt(), minute.time().hour());
        QCOMPARE(match.captured(2).toInt(), minute.time().minute());
        QCOMPARE(match.captured(3).toInt(), minute.date().day());
        QCOMPARE(match.captured(4).toInt(), minute.date().month());
        QCOMPARE(match.captured(5).toInt(), minute.date().year() % 100);
        const qsizetype star = sentence.indexOf('*');
        // What we send, our own receiver accepts (the text after the head, up to its CR).
        QVERIFY(RmcDecoder::checksumAccepts("GPRMC,", sentence.sliced(7).chopped(1)));
        QVERIFY(sentence.size() < 80);
        checksums.insert(sentence.mid(star + 1, 2));
    }
    // Recomputed per sentence: digits pair off in the sum, so its low four bits vary.
    QVERIFY(checksums.size() > 8);
}

void tst_Transmit::portChoice_data()
{
    QTest::addColumn<int>("transmitPort");
    QTest::addColumn<int>("receivePort");
    QTest::addColumn<bool>("openReceive");
    QTest::addColumn<bool>("openTransmit");
    QTest::addColumn<int>("expectedPort"); // 0: nothing is written anywhere

    QTest::newRow("own transmit port") << 2 << 1 << true << true << 2;
    QTest::newRow("equal numbers share the receive port") << 3 << 3 << true << false << 3;
    QTest::newRow("equal numbers, receive port closed") << 3 << 3 << false << false << 0;
    QTest::newRow("no ports chosen") << 0 << 0 << false << false << 0;
    QTest::newRow("transmit port closed") << 2 << 1 << true << false << 0;
    QTest::newRow("no receive port") << 2 << 0 << false << true << 2;
}

void tst_Transmit::portChoice()
{
    QFETCH(int, transmitPort);
    QFETCH(int, receivePort);
    QFETCH(bool, openReceive);
    QFETCH(bool, openTransmit);
    QFETCH(int, expectedPort);
    TransmitRig fake(utc(2026, 12, 7, 10, 25, 30));
    Form5 *form5 = fake.app().form5();
    fake.m().transmitPort = qint16(transmitPort);
    fake.m().receivePort = qint16(receivePort);
    if (openReceive)
        openAt2400(form5->MSComm1, receivePort);
    if (openTransmit)
        openAt2400(form5->MSComm2, transmitPort);

    fake.transmit();

    const QByteArray sentence = RmcSentence::build(fake.rig->clock().GetSystemTime());
    for (int number : {1, 2, 3})
        QCOMPARE(fake.ports->port(number).output, number == expectedPort ? sentence : QByteArray());
    QCOMPARE(fake.monitorText(), QString::fromLatin1(sentence));
}

void tst_Transmit::writeErrors_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");

    QTest::newRow("already open") << int(CommError::PortAlreadyOpen) << "Port already open!";
    QTest::newRow("invalid port") << int(CommError::InvalidPortNumber) << "Invalid Port Number!";
    QTest::newRow("write failed")
        << int(CommError::WriteFailed)
        << "Unforeseen Error occured - Number 8021.\r\nError: Error writing to the port\r\n"
           "If Error persists contact vendor.";
    QTest::newRow("device gone")
        << int(CommError::DeviceNotAvailable)
        << "Unforeseen Error occured - Number 8010.\r\nError: The device is no longer "
           "available\r\nIf Error persists contact vendor.";
}

void tst_Transmit::writeErrors()
{
    QFETCH(int, error);
    QFETCH(QString, text);
    TransmitRig fake(utc(2026, 12, 7, 10, 25, 30));
    fake.useTransmitPort(2);
    fake.ports->port(2).ioError = error;

    fake.transmit();

    QCOMPARE(fake.monitorText(), text);
    QVERIFY(fake.ports->port(2).output.isEmpty());
    QVERIFY(!fake.app().form4()->isVisible());
}

void tst_Transmit::nextMinuteAfterAnErrorSendsAgain()
{
    TransmitRig fake(utc(2026, 12, 7, 10, 25, 30));
    fake.useTransmitPort(2);
    fake.ports->port(2).ioError = CommError::WriteFailed;
    fake.transmit();
    QVERIFY(fake.monitorText().startsWith("Unforeseen Error occured - Number 8021."));

    fake.ports->port(2).ioError = 0;
    fake.rig->clock().advance(60 * 1000);
    fake.transmit();

    const QByteArray sentence
        = "$GPRMC,102630,A,3224.3425,N,09341.9247,W,0.0,000.0,071226,000.0,E*62\r\n";
    QCOMPARE(fake.ports->port(2).output, sentence);
    QCOMPARE(fake.monitorText(), QString::fromLatin1(sentence));
}

void tst_Transmit::sentenceReachesARealTerminal()
{
    TestRig rig(utc(2026, 12, 31, 23, 59, 30));
    PseudoTerminal clockDevice;
    clockDevice.linkAsPort(rig.folder(), 4);
    MSComm &port = rig.app().form5()->MSComm2;
    openAt2400(port, 4);
    rig.m().transmitPort = 4;
    rig.m().receivePort = 1;

    rig.app().transmitter().TransmitRmc();

    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += clockDevice.readAvailable()).endsWith("\r\n"), 5000);
    QCOMPARE(received,
        QByteArray("$GPRMC,235930,A,3224.3425,N,09341.9247,W,0.0,000.0,311226,000.0,E*6F\r\n"));
}

void tst_Transmit::masterClockThatStopsReadingHoldsLittle()
{
    TransmitRig fake(utc(2026, 12, 7, 10, 25, 30));
    fake.useTransmitPort(2);
    fake.ports->port(2).stalled = true;
    QSignalSpy told(&fake.app().userNotice(), &UserNotice::shown);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("COM2 takes no more sentences"));
    QTest::failOnWarning(QRegularExpression("COM2 takes no more sentences"));
    QByteArray last;
    for (int minute = 0; minute < 40; ++minute) {
        last = RmcSentence::build(fake.rig->clock().GetSystemTime());
        fake.transmit();
        fake.rig->clock().advance(60 * 1000);
    }
    const QByteArray &waiting = fake.ports->port(2).pending;
    QVERIFY(waiting.size() <= RmcTransmitter::kMaxWaitingOutput);
    QVERIFY(waiting.startsWith("$GPRMC,") && waiting.endsWith(last));
    QTRY_COMPARE(told.count(), 1);
}

QTEST_MAIN(tst_Transmit)
#include "tst_transmit.moc"
