// A simulated week in the tray: receiving and transmitting on, the main window hidden, the
// schedule (Form1::Timer1_Timer) ticked through the test clock. The receiver on COM1 follows the
// same program every day: valid sentences, silence, garbage, unplugged and plugged in again; the
// master clock on COM2 vanishes on day 6. Checked: every hour's clock setting, a sentence each
// minute while the master clock is there, no stuck receive and no growth in memory.
//
// What is simulated and what is not:
// - Seconds in which the schedule has nothing to do are stepped over after day 1 (the tick only
//   compares the time text there); day 1 visits every second.
// - Between searches the receiver's output for a minute is written at once, and the event loop
//   runs once a minute (ports read, hang-ups noticed, the monitor updated).
// - During a search a 1 ms timer moves the clock on by a second and the receiver writes that
//   second's output; the countdown timer (Timer3) runs at 1 ms. Simulated time stands still
//   while the program still has characters of the receiver to read: at 2400 baud it reads far
//   faster than they arrive.
#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"
#include "platform/Timer.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTimeZone>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif
#ifdef SOAK_UNDER_ASAN
// From the sanitizer runtime (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {
constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;
// Day 1 of the week starts on Monday 7 December 2026, 00:00 UTC (the test clock's zone).
const qint64 kWeekStart
    = QDateTime(QDate(2026, 12, 7), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
const qint64 kMasterClockVanishes = kWeekStart + 5 * kDay + 12 * kHour + 34 * kMinute;
// Live heap may differ this much between the end of day 1 and of day 7; resident size a little
// more (allocator pages, Qt's caches).
constexpr qint64 kHeapMargin = 256 * 1024;
constexpr qint64 kResidentMargin = 2 * 1024 * 1024;

enum class Receiver { Valid, Silent, Garbage, Unplugged };

// The receiver's day: unplugged at 13:30, plugged in again at 15:30.
Receiver receiverAt(qint64 msecs)
{
    const int minuteOfDay = int(((msecs % kDay) + kDay) % kDay / kMinute);
    const int hour = minuteOfDay / 60;
    if (hour >= 6 && hour < 9)
        return Receiver::Silent;
    if (hour >= 9 && hour < 12)
        return Receiver::Garbage;
    if (minuteOfDay >= 13 * 60 + 30 && minuteOfDay < 15 * 60 + 30)
        return Receiver::Unplugged;
    return Receiver::Valid;
}

QDateTime utc(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}

// The example sentence at another time; without its checksum, which the receiver then skips
// (checksums have their own tests).
QByteArray sentenceAt(qint64 msecs)
{
    const QDateTime t = utc(msecs);
    return QByteArray(kExampleSentence)
        .replace("123519", t.toString(u"hhmmss").toLatin1())
        .replace("230394", t.toString(u"ddMMyy").toLatin1())
        .replace("*6A", "");
}

// Binary noise with near misses of a sentence head, but never the head itself.
QByteArray garbage(QRandomGenerator &random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    bytes.append("$GPRMC\r\n$gprmc,123519,A,\r\n$GNRMC,123519,A,,,,,,,230394,,*3A\r\n");
    return bytes.replace("GPRMC,", "GPRMc,");
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Bytes the program holds on the heap; under AddressSanitizer freed blocks wait in its
// quarantine, so only its own count of live blocks says anything.
qint64 heapInUse()
{
#ifdef SOAK_UNDER_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}
} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void weekInTheTray();

private:
    Module1 &m() { return m_rig->m(); }
    Form1 *form() { return m_rig->app().form1(); }
    void openPorts();
    qint64 nextVisit(qint64 now) const;
    void tick(qint64 at);
    void followReceiverProgram(qint64 at);
    void whileSearching();
    bool receiverHasUnread();
    void streamMinute(qint64 at);
    void checkHour(qint64 at, int setsBefore, int searchesBefore, const QString &textBefore);
    void checkTransmitted(qint64 at);
    void problem(const QString &what);

    std::unique_ptr<TestRig> m_rig;
    std::unique_ptr<PseudoTerminal> m_gps;
    std::unique_ptr<PseudoTerminal> m_masterClock;
    Receiver m_receiver = Receiver::Valid;
    QRandomGenerator m_random {20261207};
    QTimer m_searchDriver;
    qint64 m_lastTick = -1;
    int m_searches = 0;
    int m_hours = 0;
    int m_hoursSet = 0;
    int m_transmits = 0;
    QStringList m_problems;
};

void tst_Soak::init()
{
    m_rig = std::make_unique<TestRig>(utc(kWeekStart - 30 * kSecond));
    m_gps = std::make_unique<PseudoTerminal>();
    m_gps->linkAsPort(m_rig->folder(), 1);
    m_masterClock = std::make_unique<PseudoTerminal>();
    m_masterClock->linkAsPort(m_rig->folder(), 2);
    openPorts();
    form()->menuSetRcv->setChecked(true);
    form()->menuSetTrans->setChecked(true);
    form()->Timer3->setInterval(1);
    connect(form()->Text2, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text == QLatin1String("Searching..."))
            ++m_searches;
    });
    connect(&m_searchDriver, &QTimer::timeout, this, &tst_Soak::whileSearching);
    m_searchDriver.setTimerType(Qt::PreciseTimer);
    m_searchDriver.start(1);
}

void tst_Soak::cleanup()
{
    m_searchDriver.stop();
    m_rig.reset();
    m_gps.reset();
    m_masterClock.reset();
}

void tst_Soak::openPorts()
{
    Form5 *form5 = m_rig->app().form5();
    form5->setCheck1Value(0);
    m().receivePort = 1;
    m().transmitPort = 2;
    openAt2400(form5->MSComm1, 1);
    openAt2400(form5->MSComm2, 2);
}

qint64 tst_Soak::nextVisit(qint64 now) const
{
    qint64 next = (now / kSecond + 1) * kSecond;
    if (next < kWeekStart + kDay)
        return next;
    // The hour change, the sentence out, the minute's stream, the refresh that must not run.
    static const QList<int> busySeconds {0, 29, 30, 31, 45, 59};
    while (!busySeconds.contains(int(next / kSecond % 60)))
        next += kSecond;
    return next;
}

void tst_Soak::weekInTheTray()
{
    QVERIFY(!form()->isVisible());
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 resident[2] = {0, 0};
    qint64 heap[2] = {0, 0};
    ManualClock &clock = m_rig->clock();
    for (qint64 at = nextVisit(clock.currentMSecsSinceEpoch());
         at < kWeekStart + 7 * kDay && m_problems.size() < 20;
         at = nextVisit(clock.currentMSecsSinceEpoch())) {
        if (resident[0] == 0 && at >= kWeekStart + kDay) {
            resident[0] = residentBytes();
            heap[0] = heapInUse();
        }
        tick(at);
    }
    resident[1] = residentBytes();
    heap[1] = heapInUse();
    qInfo("week simulated in %lld ms: %d hours, %d clock settings, %d searches, %d sentences "
          "sent; resident %lld -> %lld KiB, heap %lld -> %lld KiB",
        elapsed.elapsed(), m_hours, m_hoursSet, m_searches, m_transmits, resident[0] / 1024,
        resident[1] / 1024, heap[0] / 1024, heap[1] / 1024);
    QVERIFY2(m_problems.isEmpty(), qPrintable(m_problems.join(QLatin1Char('\n'))));

    // 16 of the receiver's 24 hour changes a day have sentences; the first tick sets too.
    QCOMPARE(m_hours, 7 * 24 + 1);
    QCOMPARE(m_hoursSet, 7 * 16 + 1);
    QCOMPARE(clock.setCount(), m_hoursSet);
    // Every minute from the start to the master clock's disappearance sent one sentence.
    QCOMPARE(m_transmits, int((kMasterClockVanishes - kWeekStart) / kMinute));
    QVERIFY(!m_rig->app().form5()->MSComm2.PortOpen());
    QVERIFY2(heap[1] - heap[0] <= kHeapMargin, "the heap grew");
#ifndef SOAK_UNDER_ASAN
    QVERIFY2(resident[1] - resident[0] <= kResidentMargin, "the resident size grew");
#endif
}

void tst_Soak::tick(qint64 at)
{
    ManualClock &clock = m_rig->clock();
    clock.advance(at - clock.currentMSecsSinceEpoch());
    followReceiverProgram(at);
    const bool hourChange
        = m_lastTick < 0 || utc(at).time().hour() != utc(m_lastTick).time().hour();
    const int setsBefore = clock.setCount();
    const int searchesBefore = m_searches;
    const QString textBefore = form()->Text2->text();

    form()->Timer1_Timer();
    // What the schedule saw last: a clock setting may have moved the time.
    m_lastTick = clock.currentMSecsSinceEpoch();

    if (m().receiveBusy || form()->Timer3->Enabled())
        problem(QStringLiteral("receive left busy"));
    if (hourChange)
        checkHour(at, setsBefore, searchesBefore, textBefore);
    else if (clock.setCount() != setsBefore || m_searches != searchesBefore)
        problem(QStringLiteral("search or clock setting within the hour"));
    const int second = int(at / kSecond % 60);
    if (second == 30 && at < kMasterClockVanishes)
        checkTransmitted(at);
    if (second == 45)
        streamMinute(at);
}

void tst_Soak::followReceiverProgram(qint64 at)
{
    const Receiver wanted = receiverAt(at);
    if (wanted == Receiver::Unplugged && m_receiver != Receiver::Unplugged) {
        m_gps->hangUp();
    } else if (wanted != Receiver::Unplugged && m_receiver == Receiver::Unplugged) {
        m_gps = std::make_unique<PseudoTerminal>();
        m_gps->linkAsPort(m_rig->folder(), 1);
    }
    m_receiver = wanted;
    if (at >= kMasterClockVanishes && m_masterClock->isOpen())
        m_masterClock->hangUp();
}

void tst_Soak::whileSearching()
{
    if (!m().receiveBusy || receiverHasUnread())
        return;
    m_rig->clock().advance(kSecond);
    if (m_receiver == Receiver::Valid)
        m_gps->writeSome(sentenceAt(m_rig->clock().currentMSecsSinceEpoch()));
    else if (m_receiver == Receiver::Garbage)
        m_gps->writeSome(garbage(m_random, 240));
}

bool tst_Soak::receiverHasUnread()
{
    MSComm &port = m_rig->app().form5()->MSComm1;
    try {
        return port.PortOpen() && port.InBufferCount() > 0;
    } catch (const CommError &) {
        return false;
    }
}

void tst_Soak::streamMinute(qint64 at)
{
    // What the receiver says in a minute; what does not fit into the line is lost, as on a
    // real port that nobody reads.
    if (m_receiver == Receiver::Valid)
        m_gps->writeSome(sentenceAt(at).repeated(60));
    else if (m_receiver == Receiver::Garbage)
        m_gps->writeSome(garbage(m_random, 14400));
    QCoreApplication::processEvents();
}

void tst_Soak::checkHour(qint64 at, int setsBefore, int searchesBefore, const QString &textBefore)
{
    ++m_hours;
    const ManualClock &clock = m_rig->clock();
    const int sets = clock.setCount() - setsBefore;
    const int searches = m_searches - searchesBefore;
    const QString text = form()->Text2->text();
    switch (m_receiver) {
    case Receiver::Valid: {
        // The first sentence after the search began: one second after the hour.
        const QDateTime expected = utc(at + kSecond);
        if (sets != 1 || clock.lastSetMSecs() != expected.toMSecsSinceEpoch())
            problem(QStringLiteral("clock not set from the sentence"));
        if (text != QLocale::c().toString(expected.time(), u"h:mm AP"))
            problem(QStringLiteral("display shows ") + text);
        m_hoursSet += sets;
        break;
    }
    case Receiver::Silent:
    case Receiver::Garbage:
        if (sets != 0 || searches != 1 || text != QLatin1String("Not Found"))
            problem(QStringLiteral("clock set or search missing without sentences"));
        break;
    case Receiver::Unplugged: {
        // A port whose hang-up went unnoticed (its input buffer was full) fails in the search;
        // else the hourly setting finds it closed and changes nothing.
        const bool failedSearch = searches == 1 && text == QLatin1String("Not Found");
        const bool nothing = searches == 0 && text == textBefore;
        if (sets != 0 || !(failedSearch || nothing))
            problem(QStringLiteral("clock set or display changed without a receiver"));
        break;
    }
    }
}

void tst_Soak::checkTransmitted(qint64 at)
{
    const QByteArray sent = m_masterClock->readAvailable();
    const QByteArray head = "$GPRMC," + utc(at).toString(u"hhmmss").toLatin1() + ',';
    if (sent.startsWith(head) && sent.endsWith("\r\n") && sent.count("\r\n") == 1)
        ++m_transmits;
    else
        problem(QStringLiteral("master clock received ")
            + QString::fromLatin1(sent.toPercentEncoding()));
}

void tst_Soak::problem(const QString &what)
{
    m_problems << utc(m_rig->clock().currentMSecsSinceEpoch()).toString(Qt::ISODate)
            + QLatin1Char(' ') + what;
}

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
