#include "EndToEndTest.h"
#include "GpsdPeer.h"
#include "PseudoTerminal.h"
#include "transmit/RmcSentence.h"

#include <QFile>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

// The real program reading its receiver through a real gpsd, which holds the receiver's line:
// the clock is set from the sentences gpsd passes on, and again after gpsd was restarted.
namespace {
QDateTime utc(QTime time)
{
    return QDateTime(QDate(2031, 7, 14), time, QTimeZone::utc());
}

QByteArray sentenceAt(const QDateTime &moment)
{
    const QByteArray body = "GPRMC," + moment.toString(u"HHmmss").toLatin1()
        + ",A,4807.038,N,01131.000,E,022.4,084.4," + moment.toString(u"ddMMyy").toLatin1()
        + ",003.1,W";
    return '$' + body + '*' + RmcSentence::checksum(body) + "\r\n";
}
} // namespace

class tst_E2eGpsd : public EndToEndTest
{
    Q_OBJECT
private slots:
    void setsClockThroughGpsdAndAfterItsRestart();
};

void tst_E2eGpsd::setsClockThroughGpsdAndAfterItsRestart()
{
    const QString missing = GpsdPeer::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    PseudoTerminal receiver;
    GpsdPeer gpsd;
    QString error;
    QVERIFY2(gpsd.start(receiver.slavePath(), &error), qPrintable(error));
    QFile conf(m_copy->folder() + QStringLiteral("/ports.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[COM1]\ndevice=gpsd://127.0.0.1:" + QByteArray::number(gpsd.port()) + '\n');
    conf.close();
    QVERIFY(m_copy->writeSettings(QByteArray("\x01\x00\x00", 3)));

    // The receiver names 09:59:50; the program's clock starts an hour off, so that the next
    // hour's setting, the one after gpsd's restart, comes ten seconds after the first.
    QDateTime named = utc(QTime(9, 59, 50));
    QTimer stream;
    connect(&stream, &QTimer::timeout, &stream, [&] {
        receiver.writeSome(sentenceAt(named));
        named = named.addMSecs(250);
    });
    stream.start(250);
    m_copy->setClockStart(utc(QTime(8, 59, 50)).toMSecsSinceEpoch());
    STEP(startProgram());

    QTRY_VERIFY_WITH_TIMEOUT(!m_copy->clockSettings().isEmpty(), kWaitMs);
    const QDateTime first
        = QDateTime::fromMSecsSinceEpoch(m_copy->clockSettings().first(), QTimeZone::utc());
    QVERIFY2(first >= utc(QTime(9, 59, 50)) && first < utc(QTime(9, 59, 55)),
        qPrintable(first.toString(Qt::ISODate)));

    QVERIFY2(gpsd.restartDaemon(receiver.slavePath(), &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(m_copy->clockSettings().size() == 2, 2 * kWaitMs);
    const QDateTime second
        = QDateTime::fromMSecsSinceEpoch(m_copy->clockSettings().last(), QTimeZone::utc());
    QVERIFY2(second > first.addSecs(5), qPrintable(second.toString(Qt::ISODate)));
    QVERIFY(m_program.state() == QProcess::Running);
}

QTEST_GUILESS_MAIN(tst_E2eGpsd)
#include "tst_e2egpsd.moc"
