// The computer clock minus GPS time right after a setting, through the real receive and setting
// path: the "Set Time" command, the search and the decoder, with a clock that records what it is
// set to and when instead of setting it. A thread plays the receiver on a pseudo-terminal: it
// begins each second's sentence a known delay after that second of the machine's clock and
// writes it one character at a time at the line's pace, so its last character arrives when it
// would on a real line. GPS time is the machine's own time; the error of a setting is the value
// written minus the machine's time at the moment of the setting. Each speed runs twice: with
// the receiver's delay given in ports.conf, and without it, when the clock is set to the whole
// second the sentence names.
//
//   bench_settingerror [settings per speed with the delay, default 30; a third without]

#include "BenchPty.h"
#include "BenchReport.h"

#include "app/HoroluxApp.h"
#include "platform/SystemClock.h"
#include "serial/DevicePortFactory.h"
#include "serial/PortMap.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <atomic>
#include <cmath>
#include <pthread.h>
#include <sched.h>
#include <thread>

namespace {
constexpr qint64 kNanosPerSecond = 1000 * 1000 * 1000;
constexpr qint64 kSpinNanos = 1000 * 1000;

timespec timespecOf(qint64 nanos)
{
    return {time_t(nanos / kNanosPerSecond), long(nanos % kNanosPerSecond)};
}

qint64 wallNanos()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
}

void sleepUntil(qint64 wallNanos)
{
    const timespec deadline = timespecOf(wallNanos);
    while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &deadline, nullptr) == EINTR) { }
}

// Real time; a setting is only recorded: the value written minus the real time at that moment.
class RecordingClock : public Clock
{
public:
    qint64 currentMSecsSinceEpoch() const override { return m_real.currentMSecsSinceEpoch(); }
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override
    {
        errors.push_back(double(msecs) - Bench::wallMs());
        return true;
    }
    QDateTime toLocal(qint64 msecs) const override { return m_real.toLocal(msecs); }

    std::vector<double> errors;

private:
    SystemClock m_real;
};

// A receiver that begins each second's sentence `delayMillis` after the second and sends it at
// `baud`, 10 bits a character, until stopped.
class PacedReceiver
{
public:
    PacedReceiver(const BenchPty &line, int baud, int delayMillis)
        : m_thread([this, &line, baud, delayMillis] { run(line, baud, delayMillis); })
    { }
    ~PacedReceiver() { stop(); }
    PacedReceiver(const PacedReceiver &) = delete;
    PacedReceiver &operator=(const PacedReceiver &) = delete;

    // Milliseconds each sentence's last character was written after its moment on the line:
    // the receiver's own error, which no setting can see.
    std::vector<double> stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_lastLate;
    }
    bool ranInRealTime() const { return m_realTime; }

private:
    void run(const BenchPty &line, int baud, int delayMillis)
    {
        // A line delivers on time however busy the machine is: where allowed, so does this one.
        const sched_param realTime {sched_get_priority_min(SCHED_FIFO)};
        m_realTime = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0;
        const qint64 characterNanos = 10 * kNanosPerSecond / baud;
        for (qint64 second = wallNanos() / kNanosPerSecond + 1; !m_stop; ++second) {
            const QByteArray sentence
                = Bench::rmcSentence(QDateTime::fromSecsSinceEpoch(second, QTimeZone::utc()));
            const qint64 start = second * kNanosPerSecond + qint64(delayMillis) * 1000 * 1000;
            // Each character is written when its stop bit would have arrived.
            for (qsizetype i = 0; i < sentence.size() && !m_stop; ++i) {
                const qint64 due = start + (i + 1) * characterNanos;
                const bool last = i == sentence.size() - 1;
                // The last character is the one a setting is timed from: awake before it is
                // due, so that a busy machine is slow to run the program, not the line.
                sleepUntil(last ? due - kSpinNanos : due);
                while (last && wallNanos() < due) { }
                line.write(sentence.mid(i, 1));
                if (last)
                    m_lastLate.push_back(double(wallNanos() - due) / 1e6);
            }
        }
    }

    std::atomic<bool> m_stop = false;
    std::vector<double> m_lastLate;
    bool m_realTime = false;
    std::thread m_thread;
};

// The program with its receive port open on a pseudo-terminal, mapped in ports.conf.
class Receiver
{
public:
    Receiver(int baud, std::optional<int> delayMillis)
        : m_ports(m_folder.path())
        , m_app({&m_clock, &m_ports, m_folder.path(), m_folder.path(), buildTimeMSecs(), nullptr,
              m_folder.path(), m_folder.path()})
    {
        m_line.linkAs(m_folder.path(), 1);
        QFile conf(m_folder.filePath(QStringLiteral("ports.conf")));
        if (conf.open(QIODevice::WriteOnly)) {
            conf.write("[COM1]\nspeed=" + QByteArray::number(baud) + '\n');
            if (delayMillis)
                conf.write("delay=" + PortMap::delayText(*delayMillis).toLatin1() + '\n');
        }
        conf.close();
        m_app.module1().receivePort = 1;
        Form5 *form5 = m_app.form5();
        form5->setCheck1Value(0);
        form5->MSComm1.setCommPort(1);
        form5->MSComm1.setSettings(QString::number(baud) + QStringLiteral(",N,8,1"));
        form5->MSComm1.setPortOpen(true);
    }

    const BenchPty &line() const { return m_line; }

    // One "Set Time" a second, each begun a tenth before the second whose sentence it takes.
    std::vector<double> errors(int settings)
    {
        for (int i = 0; i < settings; ++i) {
            const qint64 now = wallNanos();
            qint64 second = now / kNanosPerSecond + 1;
            if (second * kNanosPerSecond - now < kNanosPerSecond / 5)
                ++second;
            sleepUntil(second * kNanosPerSecond - kNanosPerSecond / 10);
            m_app.form1()->Command1_Click();
        }
        return m_clock.errors;
    }

private:
    QTemporaryDir m_folder;
    BenchPty m_line;
    RecordingClock m_clock;
    DevicePortFactory m_ports;
    HoroluxApp m_app;
};

// Errors of `settings` settings at this speed, the first two left out: they open the paths.
std::vector<double> measure(int baud, int delayMillis, bool delayGiven, int settings)
{
    Receiver horolux(baud, delayGiven ? std::optional(delayMillis) : std::nullopt);
    PacedReceiver receiver(horolux.line(), baud, delayMillis);
    std::vector<double> errors = horolux.errors(settings + 2);
    const std::vector<double> late = receiver.stop();
    std::printf("  %d baud, %s: the receiver's last characters left %.3f ms late at the median, "
                "%.3f ms at most (%s)\n",
        baud, delayGiven ? "delay given" : "no delay", Bench::median(late), Bench::maximum(late),
        receiver.ranInRealTime() ? "real-time thread" : "ordinary thread");
    if (errors.size() >= 2)
        errors.erase(errors.begin(), errors.begin() + 2);
    return errors;
}

std::vector<double> absolute(std::vector<double> values)
{
    for (double &value : values)
        value = std::abs(value);
    return values;
}

void report(
    int baud, int delayMillis, const std::vector<double> &ours, const std::vector<double> &whole)
{
    using namespace Bench;
    std::printf("  %d baud, receiver delay %d ms:\n", baud, delayMillis);
    const auto line = [](const char *who, const std::vector<double> &values) {
        std::printf("    %-14s median %+.3f ms, min %+.3f ms, max %+.3f ms, max |e| %.3f ms "
                    "(%zu settings)\n",
            who, median(values), percentile(values, 0.0), maximum(values),
            maximum(absolute(values)), values.size());
    };
    line("with delay:", ours);
    line("whole second:", whole);
    const QString what = QStringLiteral("computer clock - GPS time right after a setting, %1 baud, "
                                        "receiver delay %2 s, ")
                             .arg(baud)
                             .arg(PortMap::delayText(delayMillis));
    const QString reference = QStringLiteral(" ms (set to the whole second)");
    row(what + QStringLiteral("median of %1").arg(ours.size()),
        number(median(ours), 3) + QStringLiteral(" ms"), number(median(whole), 1) + reference,
        ratio(std::abs(median(ours)), std::abs(median(whole))), QStringLiteral("within 1 ms"),
        met(std::abs(median(ours)) <= 1.0));
    const double worst = maximum(absolute(ours));
    row(what + QStringLiteral("largest error either way"), number(worst, 3) + QStringLiteral(" ms"),
        number(maximum(absolute(whole)), 1) + reference, ratio(worst, maximum(absolute(whole))),
        QStringLiteral("within 3 ms"), met(worst <= 3.0));
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int settings = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
    std::printf("clock minus GPS time after a setting, %d settings per speed\n", settings);
    bool complete = true;
    for (const auto &[baud, delayMillis] : {std::pair {2400, 80}, std::pair {9600, 120}}) {
        const std::vector<double> ours = measure(baud, delayMillis, true, settings);
        // The whole second is the same each time, give or take the read: fewer settings do.
        const int wholeSettings = std::max(5, settings / 3);
        const std::vector<double> whole = measure(baud, delayMillis, false, wholeSettings);
        if (ours.size() < size_t(settings) || whole.size() < size_t(wholeSettings)) {
            std::printf("  %d baud: the clock was set %zu of %d and %zu of %d times\n", baud,
                ours.size(), settings, whole.size(), wholeSettings);
            complete = false;
            continue;
        }
        report(baud, delayMillis, ours, whole);
    }
    return complete ? 0 : 1;
}
