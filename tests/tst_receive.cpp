#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"
#include "common/BuildTime.h"
#include "platform/Timer.h"
#include "receive/ClockSetting.h"
#include "serial/PortMap.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>

namespace {
QDateTime utc(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}
} // namespace

class tst_Receive : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void setTimeFromSentence();
    void waitForLockOption_data();
    void waitForLockOption();
    void shownButNotSet_data();
    void shownButNotSet();
    void portThatSentChecksumsKeepsToThem_data();
    void portThatSentChecksumsKeepsToThem();
    void unusableInputEndsNotFound_data();
    void unusableInputEndsNotFound();
    void headSearchGivesUpAfterFourToFiveSeconds();
    void garbageThenSentenceSplitOverManyReads();
    void inputWaitingBeforeTheCallIsDiscarded();
    void closedPortOpensOnDemandForTheNextCall();
    void noReceivePortNeverTouchesThePort();
    void nestedCallChangesNothing();
    void nestedSetTimeLeavesWholeSecond();
    void unpluggedReceiverEndsSearchAndComesBack();
    void shutdownEndsTheWait();
    void disabledMainWindowRefuses();
    void floodingDeviceStillEndsOnTime();
    void anyTalkerInPortsConfTakesGnrmc();

private:
    Module1 &m() { return m_rig->m(); }
    Form1 *form() { return m_rig->app().form1(); }
    MSComm &port() { return m_rig->app().form5()->MSComm1; }
    void openReceivePort();
    void sendSoon(const QByteArray &data, int delay = 5);
    bool receive() { return m_rig->app().receiveIntoClockFields(); }
    void verifyNotFound();

    std::unique_ptr<TestRig> m_rig;
    std::unique_ptr<PseudoTerminal> m_gps;
};

void tst_Receive::init()
{
    m_rig = std::make_unique<TestRig>();
    m_gps = std::make_unique<PseudoTerminal>();
    m_gps->linkAsPort(m_rig->folder(), 3);
    m().receivePort = 3;
    m_rig->app().form5()->setCheck1Value(0);
    openReceivePort();
}

void tst_Receive::cleanup()
{
    m_rig.reset();
    m_gps.reset();
}

void tst_Receive::openReceivePort()
{
    openAt2400(port(), 3);
}

void tst_Receive::sendSoon(const QByteArray &data, int delay)
{
    // Owned by the program under test, so a write still pending dies with it.
    QTimer::singleShot(delay, &m_rig->app(), [this, data] {
        if (m_gps && m_gps->isOpen())
            m_gps->write(data);
    });
}

void tst_Receive::verifyNotFound()
{
    QCOMPARE(form()->Text2->text(), QStringLiteral("Not Found"));
    QVERIFY(!form()->Text2->isEnabled());
    QVERIFY(form()->Image1[1]->isHidden());
    QVERIFY(!form()->Image1[0]->isHidden());
    QVERIFY(!m().receiveBusy);
    QVERIFY(!m().gpsLocked);
    QVERIFY(m().timeText.isEmpty());
    QVERIFY(m().dateText.isEmpty());
    QVERIFY(!form()->Timer3->Enabled());
}

void tst_Receive::setTimeFromSentence()
{
    sendSoon(kSettableSentence);
    form()->Command1_Click();

    QCOMPARE(m_rig->clock().setCount(), 1);
    const QDateTime expected(QDate(2026, 12, 7), QTime(12, 35, 19), QTimeZone::utc());
    QCOMPARE(m_rig->clock().lastSetMSecs(), expected.toMSecsSinceEpoch());
    QCOMPARE(m().systemTime.wDayOfWeek, quint16(1)); // the computer's own: Monday 7 Dec 2026
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
    QCOMPARE(form()->Text2->toolTip(), QStringLiteral("12/07/26"));
    QVERIFY(form()->Text2->font().pointSizeF() > 13.0); // the large face, fitted to its box
    QVERIFY(!form()->Text2->font().bold());
    QVERIFY(!form()->Image1[1]->isHidden());
    QVERIFY(form()->Image1[0]->isHidden());
    QVERIFY(form()->Command1->isEnabled());
    QVERIFY(form()->menuMenuSet->isEnabled());
    QCOMPARE(m().timeText, QStringLiteral("12:35:19"));
    QCOMPARE(m().dateText, QStringLiteral("12/07/26"));
    QVERIFY(m().gpsLocked);
    QVERIFY(!m().receiveBusy);
    QVERIFY(!form()->Timer3->Enabled());
}

void tst_Receive::waitForLockOption_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("lockedBefore");
    QTest::addColumn<char>("status");
    QTest::addColumn<bool>("clockSet");
    QTest::newRow("option off, receiver void") << 0 << false << 'V' << true;
    QTest::newRow("option on, locked before, void now") << 1 << true << 'V' << false;
    QTest::newRow("option on, not locked before, locked now") << 1 << false << 'A' << true;
    QTest::newRow("greyed option counts as off") << 2 << false << 'V' << true;
}

void tst_Receive::waitForLockOption()
{
    QFETCH(int, option);
    QFETCH(bool, lockedBefore);
    QFETCH(char, status);
    QFETCH(bool, clockSet);
    m_rig->app().form5()->setCheck1Value(option);
    m().gpsLocked = lockedBefore;
    sendSoon(exampleSentenceAt(kSettableUtc, status));
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), clockSet ? 1 : 0);
    QCOMPARE(m().gpsLocked, status == 'A');
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
}

void tst_Receive::shownButNotSet_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("clockSet");
    const qint64 windowEnd = TestRig::buildTime().toMSecsSinceEpoch() + kWeekNumberWindowMSecs;
    QTest::newRow("1024 weeks back")
        << exampleSentenceAt(utc(kSettableUtc.toMSecsSinceEpoch() - kWeekNumberWindowMSecs))
        << "12:35 PM" << false;
    QTest::newRow("year 94 read as 2094") << kExampleSentence << "12:35 PM" << false;
    QTest::newRow("cold start at the GPS epoch, 060180 read as 2080")
        << exampleSentenceAt(QDateTime(QDate(2080, 1, 6), QTime(12, 35, 19), QTimeZone::utc()))
        << "12:35 PM" << false;
    QTest::newRow("last second of the window")
        << exampleSentenceAt(utc(windowEnd)) << "10:25 AM" << true;
    QTest::newRow("a second past the window")
        << exampleSentenceAt(utc(windowEnd + 1000)) << "10:25 AM" << false;
    QTest::newRow("hour sent as +5, no checksum")
        << kSettableSentence.first(kSettableSentence.indexOf('*')).replace(",123519,", ",+51519,")
            + "\r\n"
        << "5:15 AM" << false;
}

void tst_Receive::shownButNotSet()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, shown);
    QFETCH(bool, clockSet);
    sendSoon(input);
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), clockSet ? 1 : 0);
    QCOMPARE(form()->Text2->text(), shown);
}

void tst_Receive::portThatSentChecksumsKeepsToThem_data()
{
    QTest::addColumn<QByteArray>("input");
    const qsizetype star = kSettableSentence.indexOf('*');
    QTest::newRow("'*' flipped to '+'") << QByteArray(kSettableSentence).replace('*', '+');
    QTest::newRow("no checksum") << kSettableSentence.first(star) + "\r\n";
}

void tst_Receive::portThatSentChecksumsKeepsToThem()
{
    QFETCH(QByteArray, input);
    sendSoon(kSettableSentence);
    QVERIFY(receive());
    sendSoon(input);
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), 0);
    verifyNotFound();
    // Opened again, the port may lead to a receiver that sends no checksums.
    port().setPortOpen(false);
    openReceivePort();
    sendSoon(input);
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), 1);
}

void tst_Receive::unusableInputEndsNotFound_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("other talker") << kExampleSentence.sliced(0).replace("$GP", "$GN");
    QTest::newRow("lower case") << kExampleSentence.toLower();
    QTest::newRow("hour flipped, checksum kept")
        << QByteArray(kExampleSentence).replace("1235", "1735");
    QTest::newRow("empty time") << QByteArray("$GPRMC,,V,,,,,,,,,,N*53\r\n");
    QTest::newRow("letters in time") << QByteArray("$GPRMC,12a519,A,,,,,,,230394,,*76\r\n");
    QTest::newRow("too few commas") << QByteArray("$GPRMC,123519,A,4807.038\r\n");
    QTest::newRow("hour 24") << QByteArray("$GPRMC,240000,A,,,,,,,230394,,*2F\r\n");
    QTest::newRow("longer than any sentence, its checksum cut off")
        << QByteArray(kExampleSentence).replace("*", QByteArray(5000, ' ') + "*");
    QTest::newRow("no line end") << QByteArray("$GPRMC,123519,A,,,,,,,230394,,*24");
}

void tst_Receive::unusableInputEndsNotFound()
{
    QFETCH(QByteArray, input);
    sendSoon(input);
    m_rig->runClock(5);
    QVERIFY(!receive());
    m_rig->stopClock();
    verifyNotFound();
    // The same through "Set Time": a failed search never moves the clock.
    sendSoon(input);
    m_rig->runClock(5);
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), 0);
}

void tst_Receive::headSearchGivesUpAfterFourToFiveSeconds()
{
    // One clock second per countdown tick at most, so elapsed clock time is the wait.
    m().countdownLastTime = QStringLiteral("00:00:00");
    const qint64 start = m_rig->clock().currentMSecsSinceEpoch();
    m_rig->runClock(70);
    QVERIFY(!receive());
    const qint64 waited = (m_rig->clock().currentMSecsSinceEpoch() - start) / 1000;
    QVERIFY2(waited >= 4 && waited <= 6, QByteArray::number(waited));
    verifyNotFound();
}

void tst_Receive::garbageThenSentenceSplitOverManyReads()
{
    QByteArray noise("\x00\xff$GPRM\x00GPRMC\r\n$gprmc,", 20);
    sendSoon(noise);
    for (int i = 0; i < kExampleSentence.size(); ++i)
        sendSoon(kExampleSentence.mid(i, 1), 10 + i);
    QVERIFY(receive());
    QCOMPARE(m().timeText, QStringLiteral("12:35:19"));
}

void tst_Receive::inputWaitingBeforeTheCallIsDiscarded()
{
    const MSComm::ReadingScope waiting(port()); // else idle input is thrown away at once
    m_gps->write("$GPRMC,111111,A,");
    QTRY_VERIFY(port().InBufferCount() > 0);
    sendSoon(",,,,,,,010101,,*0B\r\n" + kExampleSentence);
    QVERIFY(receive());
    QCOMPARE(m().timeText, QStringLiteral("12:35:19"));
    QCOMPARE(m().gpsMilliseconds, qint16(0));
}

void tst_Receive::closedPortOpensOnDemandForTheNextCall()
{
    port().setPortOpen(false);
    sendSoon(kExampleSentence);
    QVERIFY(!receive());
    verifyNotFound();
    QVERIFY(port().PortOpen());
    QCOMPARE(port().CommPort(), 3);
    QCOMPARE(port().Settings(), QStringLiteral("2400,N,8,1"));
    sendSoon(kExampleSentence);
    QVERIFY(receive());
}

void tst_Receive::noReceivePortNeverTouchesThePort()
{
    port().setPortOpen(false);
    m().receivePort = 0;
    QVERIFY(!receive());
    verifyNotFound();
    QVERIFY(!port().PortOpen());
}

void tst_Receive::nestedCallChangesNothing()
{
    bool nestedResult = true;
    QString textDuringNested;
    QTimer::singleShot(5, form(), [&] {
        nestedResult = receive();
        textDuringNested = form()->Text2->text();
    });
    sendSoon(kExampleSentence, 20);
    QVERIFY(receive());
    QVERIFY(!nestedResult);
    QCOMPARE(textDuringNested, QStringLiteral("Searching..."));
    QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
}

void tst_Receive::nestedSetTimeLeavesWholeSecond()
{
    m_rig->clock().advance(250);
    sendSoon(kSettableSentence.first(20));
    QTimer nested;
    connect(&nested, &QTimer::timeout, this, [this, &nested] {
        if (m().gpsMilliseconds != 0)
            return; // the head is not found yet
        nested.stop();
        form()->Command1_Click(); // finds the search busy, reloads the clock fields
        m_gps->write(kSettableSentence.sliced(20));
    });
    nested.start(5);
    form()->Command1_Click();
    QCOMPARE(m_rig->clock().setCount(), 1);
    QCOMPARE(m_rig->clock().lastSetMSecs() % 1000, 0);
}

void tst_Receive::unpluggedReceiverEndsSearchAndComesBack()
{
    QTimer::singleShot(10, this, [this] { m_gps->hangUp(); });
    m_rig->runClock(20);
    QVERIFY(!receive());
    verifyNotFound();
    m_rig->stopClock();

    m_gps = std::make_unique<PseudoTerminal>(); // plugged in again
    m_gps->linkAsPort(m_rig->folder(), 3);
    QVERIFY(!receive()); // opens the port for the next call
    QVERIFY(port().PortOpen());
    sendSoon(kExampleSentence);
    QVERIFY(receive());
}

void tst_Receive::shutdownEndsTheWait()
{
    QTimer::singleShot(10, form(), [this] { m().shuttingDown = true; });
    QVERIFY(!receive());
    verifyNotFound();
}

void tst_Receive::disabledMainWindowRefuses()
{
    form()->Text2->setText(QStringLiteral("9:05 PM"));
    form()->setEnabled(false);
    sendSoon(kExampleSentence);
    QVERIFY(!receive());
    QCOMPARE(form()->Text2->text(), QStringLiteral("9:05 PM"));
    QVERIFY(!m().receiveBusy);
}

void tst_Receive::floodingDeviceStillEndsOnTime()
{
    QTimer flood;
    const QByteArray junk(16 * 1024, 'G');
    connect(&flood, &QTimer::timeout, this, [this, &junk] { m_gps->writeSome(junk); });
    flood.start(1);
    m_rig->runClock(20);
    QVERIFY(!receive());
    flood.stop();
    verifyNotFound();
}

void tst_Receive::anyTalkerInPortsConfTakesGnrmc()
{
    QVERIFY(PortMap(m_rig->folder()).write({{3, {QString(), 2400, PortMap::Talker::Any}}}));
    sendSoon(QByteArray(kExampleSentence).replace("$GP", "$GN").replace("*6A", "*74"));
    QVERIFY(receive());
    QCOMPARE(m().timeText, QStringLiteral("12:35:19"));
}

QTEST_MAIN(tst_Receive)
#include "tst_receive.moc"
