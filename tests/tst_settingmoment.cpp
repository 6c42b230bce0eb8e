#include "FakeRig.h"
#include "Fixtures.h"
#include "receive/SettingMoment.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QTest>
#include <QTimer>

// The moment a setting writes when the receiver's delay is given: the named second, the delay,
// the sentence's own time on the line at each speed a port may run at, and the time since its
// last character was read.
class tst_SettingMoment : public QObject
{
    Q_OBJECT
private slots:
    void moment_data();
    void moment();
    void setTimeWritesTheMomentWithADelayGiven_data();
    void setTimeWritesTheMomentWithADelayGiven();
};

void tst_SettingMoment::moment_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("delayMillis");
    QTest::addColumn<qint64>("sinceLastNanos");
    QTest::addColumn<qint64>("expectedMillis"); // after the named second
    // The 70 characters of a typical sentence, "$" to LF: 700 bits.
    QTest::newRow("1200") << 1200 << 0 << qint64(0) << qint64(583);
    QTest::newRow("2400, 80 ms late") << 2400 << 80 << qint64(0) << qint64(372);
    QTest::newRow("4800") << 4800 << 0 << qint64(0) << qint64(146);
    QTest::newRow("9600") << 9600 << 0 << qint64(0) << qint64(73);
    QTest::newRow("19200") << 19200 << 0 << qint64(0) << qint64(36);
    QTest::newRow("38400") << 38400 << 0 << qint64(0) << qint64(18);
    QTest::newRow("57600") << 57600 << 0 << qint64(0) << qint64(12);
    QTest::newRow("115200") << 115200 << 0 << qint64(0) << qint64(6);
    QTest::newRow("speed unknown (gpsd without one)") << 0 << 250 << qint64(0) << qint64(250);
    // A setting made inside a nested wait, 1.2 s after the line ended, is 1.2 s later.
    QTest::newRow("set 1.2 s after the line")
        << 9600 << 100 << qint64(1'200'000'000) << qint64(1373);
    QTest::newRow("a full second's delay rolls over")
        << 2400 << 1000 << qint64(400'000) << qint64(1292);
}

void tst_SettingMoment::moment()
{
    QFETCH(int, baud);
    QFETCH(int, delayMillis);
    QFETCH(qint64, sinceLastNanos);
    QFETCH(qint64, expectedMillis);
    const qint64 named = 2'000'000'000'000; // a whole second
    QCOMPARE(SettingMoment::correctedMSecs(named, delayMillis, 70, baud, sinceLastNanos) - named,
        expectedMillis);
}

void tst_SettingMoment::setTimeWritesTheMomentWithADelayGiven_data()
{
    QTest::addColumn<std::optional<int>>("delayMillis");
    QTest::addColumn<qint64>("expectedMillis"); // after the named second
    QTest::newRow("no delay: the whole second") << std::optional<int>() << qint64(0);
    QTest::newRow("80 ms at 2400 baud") << std::optional<int>(80) << qint64(372);
}

void tst_SettingMoment::setTimeWritesTheMomentWithADelayGiven()
{
    QFETCH(std::optional<int>, delayMillis);
    QFETCH(qint64, expectedMillis);
    FakeRig fake;
    FakePort &gps = fake.ports->port(1);
    gps.receiverDelayMillis = delayMillis;
    fake.m().receivePort = 1;
    fake.form()->setCheck1Value(0);
    openAt2400(fake.form()->MSComm1, 1);
    QTimer::singleShot(5, &fake.app(), [&gps] { gps.input = kSettableSentence; });
    fake.main()->Command1_Click();
    QCOMPARE(fake.rig->clock().setCount(), 1);
    QCOMPARE(fake.rig->clock().lastSetMSecs() - kSettableUtc.toMSecsSinceEpoch(), expectedMillis);
}

QTEST_MAIN(tst_SettingMoment)
#include "tst_settingmoment.moc"
