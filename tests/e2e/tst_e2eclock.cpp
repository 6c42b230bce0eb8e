#include "EndToEndTest.h"
#include "Fixtures.h"
#include "GpsdPeer.h"
#include "LineRelay.h"
#include "PseudoTerminal.h"
#include "common/BuildTime.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

// The real program under a wall clock of its own, with a receiver streaming on one port and a
// real NMEA consumer (gpsd) on the other end of its transmit port.
namespace {
qint64 utcMsecs(QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone::utc()).toMSecsSinceEpoch();
}
} // namespace

class tst_E2eClock : public EndToEndTest
{
    Q_OBJECT
private slots:
    void firstTickSetsClockFromStreamingReceiver_data();
    void firstTickSetsClockFromStreamingReceiver();
    void settingWithReceiverDelayWritesTheMoment();
    void secondThirtySentenceDecodesInGpsd_data();
    void secondThirtySentenceDecodesInGpsd();
};

void tst_E2eClock::firstTickSetsClockFromStreamingReceiver_data()
{
    QTest::addColumn<bool>("keptByATimeService");
    QTest::newRow("clock free") << false;
    QTest::newRow("clock kept synchronised by a time service") << true;
}

void tst_E2eClock::firstTickSetsClockFromStreamingReceiver()
{
    QFETCH(bool, keptByATimeService);
    // Receive port 1, no waiting for a lock, no transmit port; the receiver talks all the time.
    PseudoTerminal receiver;
    m_copy->wirePort(receiver, 1);
    QVERIFY(m_copy->writeSettings(QByteArray("\x01\x00\x00", 3)));
    m_copy->setClockStart(utcMsecs(QDate(2031, 7, 14), QTime(9, 41, 5)));
    // A day after the build: a date the program may set, however long ago it was built.
    const QDateTime sent
        = QDateTime::fromMSecsSinceEpoch(buildTimeMSecs(), QTimeZone::utc()).addDays(1);
    const QByteArray sentence = exampleSentenceAt(sent);
    QTimer stream;
    connect(&stream, &QTimer::timeout, &stream, [&] { receiver.writeSome(sentence); });
    stream.start(200);
    m_copy->setClockKeptSynchronised(keptByATimeService);
    STEP(startProgram());

    if (keptByATimeService) {
        // The receiver is read (its decode is in the history), the clock left to the service.
        QTRY_VERIFY_WITH_TIMEOUT(m_copy->history().contains("\ndecode,"), kWaitMs);
        QCOMPARE(m_copy->clockSettings().size(), 0);
        return;
    }
    // The first tick sees a new hour and sets the clock to the sentence's second, exactly.
    QTRY_VERIFY_WITH_TIMEOUT(!m_copy->clockSettings().isEmpty(), kWaitMs);
    const QDateTime set
        = QDateTime::fromMSecsSinceEpoch(m_copy->clockSettings().first(), QTimeZone::utc());
    QCOMPARE(set, sent);
    QVERIFY(m_program.state() == QProcess::Running);
}

void tst_E2eClock::settingWithReceiverDelayWritesTheMoment()
{
    PseudoTerminal receiver;
    m_copy->wirePort(receiver, 1);
    QFile conf(m_copy->folder() + QStringLiteral("/ports.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[COM1]\nspeed=9600\ndelay=0.100\n");
    conf.close();
    QVERIFY(m_copy->writeSettings(QByteArray("\x01\x00\x00", 3)));
    m_copy->setClockStart(utcMsecs(QDate(2031, 7, 14), QTime(9, 41, 5)));
    const QDateTime sent
        = QDateTime::fromMSecsSinceEpoch(buildTimeMSecs(), QTimeZone::utc()).addDays(1);
    const QByteArray sentence = exampleSentenceAt(sent);
    // Sentence after sentence at the pace of 9600 baud, each character when its stop bit
    // arrives; what the line cannot take is lost, as on a real one.
    constexpr qint64 kCharacterNanos = 10'000'000'000 / 9600;
    QElapsedTimer line;
    qint64 sentCharacters = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    connect(&pace, &QTimer::timeout, &pace, [&] {
        QByteArray due;
        for (; sentCharacters < line.nsecsElapsed() / kCharacterNanos; ++sentCharacters)
            due += sentence.at(sentCharacters % sentence.size());
        receiver.writeSome(due);
    });
    line.start();
    pace.start(1);
    STEP(startProgram());

    // The second named, the receiver's 100 ms, the 70 characters' 73 ms and the moments from
    // reading the last one to the setting.
    QTRY_VERIFY_WITH_TIMEOUT(!m_copy->clockSettings().isEmpty(), kWaitMs);
    const qint64 late = m_copy->clockSettings().first() - sent.toMSecsSinceEpoch();
    QVERIFY2(late >= 173 && late <= 173 + 50, qPrintable(QString::number(late)));
}

void tst_E2eClock::secondThirtySentenceDecodesInGpsd_data()
{
    QTest::addColumn<QDateTime>("clockStart");
    QTest::addColumn<QString>("expected");

    // The program's clock starts a few seconds before second 30, enough for its start-up.
    QTest::newRow("summer morning") << QDateTime(QDate(2031, 7, 14), QTime(9, 41, 25),
        QTimeZone::utc()) << "2031-07-14T09:41:30.000Z";
    QTest::newRow("last minute of a year") << QDateTime(QDate(2027, 12, 31), QTime(23, 59, 25, 500),
        QTimeZone::utc()) << "2027-12-31T23:59:30.000Z";
}

void tst_E2eClock::secondThirtySentenceDecodesInGpsd()
{
    QFETCH(QDateTime, clockStart);
    QFETCH(QString, expected);
    const QString missing = GpsdPeer::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));

    // Transmit port 2 only. Its cable runs through the test to the device gpsd reads.
    PseudoTerminal clockLine;
    PseudoTerminal gpsdLine;
    m_copy->wirePort(clockLine, 2);
    QVERIFY(m_copy->writeSettings(QByteArray("\x00\x00\x02", 3)));
    GpsdPeer gpsd;
    QString error;
    QVERIFY2(gpsd.start(gpsdLine.slavePath(), &error), qPrintable(error));
    LineRelay cable(clockLine, gpsdLine);
    QTimer carry;
    connect(&carry, &QTimer::timeout, &carry, [&] { cable.pass(); });
    carry.start(10);

    m_copy->setClockStart(clockStart.toMSecsSinceEpoch());
    STEP(startProgram());
    QTRY_VERIFY2_WITH_TIMEOUT(!gpsd.reports(QStringLiteral("TPV")).isEmpty(),
        "no report from gpsd: did the sentence leave at second 30?", kWaitMs);

    // One sentence for the minute, and gpsd reads the program's own minute at second 30.
    QCOMPARE(cable.lines().size(), 1);
    const QList<QJsonObject> reports = gpsd.reports(QStringLiteral("TPV"));
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().value(QStringLiteral("time")).toString(), expected);
}

QTEST_GUILESS_MAIN(tst_E2eClock)
#include "tst_e2eclock.moc"
