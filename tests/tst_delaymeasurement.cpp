#include "FakeRig.h"
#include "Fixtures.h"

#include "receive/DelaySamples.h"
#include "setup/Form5.h"
#include "setup/PortsDialog.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class tst_DelayMeasurement : public QObject
{
    Q_OBJECT
private slots:
    void samplesAgreeOrSayWhyNot_data();
    void samplesAgreeOrSayWhyNot();
    void measuredDelayFillsTheRow();
    void buttonSaysWhyItIsOff_data();
    void buttonSaysWhyItIsOff();
    void listeningEnds_data();
    void listeningEnds();

private:
    // The program on fake ports, receiving on COM2, with the ports dialog open.
    PortsDialog *openDialog(FakeRig &rig, bool synchronised = true, int receivePort = 2);
};

PortsDialog *tst_DelayMeasurement::openDialog(FakeRig &rig, bool synchronised, int receivePort)
{
    rig.rig->clock().setKeptSynchronised(synchronised);
    rig.m().receivePort = qint16(receivePort);
    rig.form()->MSComm1.openQuietly(2);
    rig.main()->menuSetPorts->trigger();
    return rig.app().menuCommands().portsDialog();
}

void tst_DelayMeasurement::samplesAgreeOrSayWhyNot_data()
{
    QTest::addColumn<QList<int>>("millis");
    QTest::addColumn<int>("delay"); // -1: none
    QTest::addColumn<QString>("said");
    QTest::newRow("five within 20 ms: their median")
        << QList<int> {83, 76, 500, 80, 95, 78} << 80 << QString();
    QTest::newRow("even group: between the middle two")
        << QList<int> {100, 110, 104, 106, 108, 102} << 105 << QString();
    QTest::newRow("spread out") << QList<int> {0, 30, 60, 90, 130, 100, 10} << -1
                                << "7 sentences, their delays spread over 130 ms";
    QTest::newRow("four agree") << QList<int> {80, 81, 82, 83} << -1 << "Only 4 sentences";
    QTest::newRow("none with a fix") << QList<int> {} << -1 << "No sentence with a fix in 20 s";
    QTest::newRow("before the second")
        << QList<int> {-120, -121, -119, -120, -118} << -120 << "0.120 s before";
    QTest::newRow("beyond a second")
        << QList<int> {1200, 1201, 1199, 1202, 1200} << 1200 << "more than a second";
}

void tst_DelayMeasurement::samplesAgreeOrSayWhyNot()
{
    QFETCH(QList<int>, millis);
    QFETCH(int, delay);
    QFETCH(QString, said);
    DelaySamples samples;
    for (int ms : millis)
        samples.add(ms * qint64(1000 * 1000));
    QCOMPARE(samples.agreedMillis().value_or(-1), delay);
    const QString text = delay == -1 ? samples.unsettled(20)
                                     : DelaySamples::outOfRange(samples.agreedMillis().value());
    QVERIFY2(said.isEmpty() ? text.isEmpty() : text.contains(said), qPrintable(text));
}

void tst_DelayMeasurement::measuredDelayFillsTheRow()
{
    FakeRig rig;
    PortsDialog *dialog = openDialog(rig);
    ManualClock &clock = rig.rig->clock();
    FakePort &port = rig.ports->port(2);
    QVERIFY(dialog->measureButton()->isEnabled());
    dialog->measureButton()->click();
    // Sent 80 ms after each second, give or take; read when the last of its 70 characters is in,
    // 291.7 ms later at 2400 baud.
    const int transit = 292;
    for (int jitter : {3, -4, 0, 6, -2}) {
        const QDateTime second = QDateTime::fromMSecsSinceEpoch(
            (clock.currentMSecsSinceEpoch() / 1000 + 1) * 1000, QTimeZone::utc());
        clock.advance(
            second.toMSecsSinceEpoch() + 80 + jitter + transit - clock.currentMSecsSinceEpoch());
        port.receive(exampleSentenceAt(second));
    }
    QCOMPARE(dialog->delayEdit(2)->text(), QStringLiteral("0.080"));
    QVERIFY2(
        dialog->measureNote().contains(QStringLiteral("0.080")), qPrintable(dialog->measureNote()));
    QVERIFY(dialog->measureButton()->isEnabled());
}

void tst_DelayMeasurement::buttonSaysWhyItIsOff_data()
{
    QTest::addColumn<bool>("synchronised");
    QTest::addColumn<int>("receivePort");
    QTest::addColumn<QString>("tip");
    QTest::newRow("clock not kept by NTP") << false << 2 << "(NTP); this computer's is not";
    QTest::newRow("no receive port") << true << 0 << "no receive port";
}

void tst_DelayMeasurement::buttonSaysWhyItIsOff()
{
    QFETCH(bool, synchronised);
    QFETCH(int, receivePort);
    QFETCH(QString, tip);
    FakeRig rig;
    const QPushButton *measure = openDialog(rig, synchronised, receivePort)->measureButton();
    QVERIFY(!measure->isEnabled());
    QVERIFY2(measure->toolTip().contains(tip), qPrintable(measure->toolTip()));
}

void tst_DelayMeasurement::listeningEnds_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<QString>("said");
    QTest::newRow("a search begins: it goes first") << true << "Interrupted";
    QTest::newRow("20 s without a fix") << false << "19 said the receiver has none";
}

void tst_DelayMeasurement::listeningEnds()
{
    QFETCH(bool, search);
    QFETCH(QString, said);
    FakeRig rig;
    PortsDialog *dialog = openDialog(rig);
    FakePort &port = rig.ports->port(2);
    dialog->measureButton()->click();
    if (search) {
        rig.m().receiveBusy = true;
        port.receive(kSettableSentence);
        // The search's characters are left for it.
        QCOMPARE(port.input, kSettableSentence);
    } else {
        for (int i = 0; i < 19; ++i) {
            rig.rig->clock().advance(1000);
            port.receive(exampleSentenceAt(kSettableUtc.addSecs(i), 'V'));
        }
        rig.rig->clock().advance(1000);
    }
    QVERIFY2(dialog->measureNote().contains(said), qPrintable(dialog->measureNote()));
    QVERIFY(dialog->measureButton()->isEnabled());
    QVERIFY(!port.arrived);
}

QTEST_MAIN(tst_DelayMeasurement)
#include "tst_delaymeasurement.moc"
