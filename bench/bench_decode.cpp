// Decode latency against gpsd: the same sentences, on the same kind of pseudo-terminal, go to
// gpsd and to the program's receive path in turn. gpsd's figure is the time from the last
// character written to its TPV report on its socket; ours is the time from the last character
// written to the clock being set.
//
//   bench_decode [sentences, default 200] [helper shim]
//
// With a clock-setting helper and the clock shim given, every setting also goes through that
// helper (started with the shim preloaded, so the machine's clock never moves), and a second
// figure is the time from the last character to the helper's answer.

#include "BenchGpsd.h"
#include "BenchPty.h"
#include "BenchReport.h"

#include "app/HoroluxApp.h"
#include "platform/ClockHelper.h"
#include "platform/SystemClock.h"
#include "receive/ClockSetting.h"
#include "serial/DevicePortFactory.h"
#include "setup/Form5.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

namespace {
using Bench::Steady;

// Real time; a setting is only recorded with the moment it happened.
class RecordingClock : public Clock
{
public:
    qint64 currentMSecsSinceEpoch() const override { return m_real.currentMSecsSinceEpoch(); }
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override
    {
        lastSet = Steady::now();
        ++settings;
        // The helper steps the clock at most once in ten seconds: each round starts afresh.
        if (helper)
            QFile::remove(helperStamp);
        if (helper && helper->setMSecs(msecs).isEmpty()) {
            lastHelperAnswer = Steady::now();
            ++helperSettings;
        }
        return true;
    }
    QDateTime toLocal(qint64 msecs) const override { return m_real.toLocal(msecs); }

    Steady::time_point lastSet;
    int settings = 0;
    ClockHelper *helper = nullptr;
    QString helperStamp;
    Steady::time_point lastHelperAnswer;
    int helperSettings = 0;

private:
    SystemClock m_real;
};

// The program with its receive port open on a pseudo-terminal, as after start-up.
class Receiver
{
public:
    Receiver()
        : m_ports(m_folder.path())
        , m_app({&m_clock, &m_ports, m_folder.path(), m_folder.path(), buildTimeMSecs(), nullptr,
              m_folder.path(), m_folder.path()})
    {
        m_line.linkAs(m_folder.path(), 1);
        m_app.module1().receivePort = 1;
        Form5 *form5 = m_app.form5();
        form5->setCheck1Value(0);
        form5->MSComm1.setCommPort(1);
        form5->MSComm1.setSettings(QStringLiteral("2400,N,8,1"));
        form5->MSComm1.setPortOpen(true);
    }

    void setHelper(ClockHelper *helper, const QString &stamp)
    {
        m_clock.helper = helper;
        m_clock.helperStamp = stamp;
    }
    // Milliseconds from the last character written to the helper's answer; negative when none.
    double helperLatency() const
    {
        return m_clock.helperSettings > m_helperBefore
            ? Bench::msBetween(m_written, m_clock.lastHelperAnswer)
            : -1.0;
    }

    // Milliseconds from the last character written to the clock set; negative when not set.
    double latencyOf(const QByteArray &sentence)
    {
        Steady::time_point &written = m_written;
        m_helperBefore = m_clock.helperSettings;
        const int before = m_clock.settings;
        // Written once the search waits for it, as a receiver's next line arrives.
        QTimer::singleShot(1, &m_app, [&] {
            written = Steady::now();
            m_line.write(sentence);
        });
        m_app.clockSetting().Command1_Click();
        return m_clock.settings > before ? Bench::msBetween(written, m_clock.lastSet) : -1.0;
    }

private:
    QTemporaryDir m_folder;
    BenchPty m_line;
    RecordingClock m_clock;
    DevicePortFactory m_ports;
    HoroluxApp m_app;
    Steady::time_point m_written;
    int m_helperBefore = 0;
};

// The helper's test build, started with the clock shim preloaded and the stamp of its step
// limit in `stamp`; none unless the shim is seen in it.
std::unique_ptr<ClockHelper> shimmedHelper(
    const QString &program, const QString &shim, const QString &stamp)
{
    auto helper = std::make_unique<ClockHelper>(program, ClockHelper::kAnswerMs,
        ClockHelper::Launch {{QStringLiteral("LD_PRELOAD=") + shim}, {stamp}});
    const qint64 pid = helper->start();
    // The loader maps preloaded libraries just after the program starts: look for a while.
    for (int tries = 0; pid > 0 && tries < 200; ++tries) {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
        if (maps.open(QIODevice::ReadOnly) && maps.readAll().contains(shim.toLocal8Bit()))
            return helper;
        QThread::msleep(10);
    }
    return nullptr;
}

QString gpsdTime(const QDateTime &utc)
{
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.000Z"));
}

void reportHelper(const std::vector<double> &throughHelper, const std::vector<double> &gpsd)
{
    using namespace Bench;
    std::printf("  helper:  median %.3f ms, max %.3f ms (%zu lines)\n", median(throughHelper),
        maximum(throughHelper), throughHelper.size());
    row(QStringLiteral("last character -> clock set through horolux-settime, median of %1")
            .arg(throughHelper.size()),
        number(median(throughHelper), 3) + QStringLiteral(" ms"),
        number(median(gpsd), 3) + QStringLiteral(" ms (gpsd, to its TPV report)"),
        ratio(median(throughHelper), median(gpsd)), QStringLiteral("<= 1 ms"),
        met(median(throughHelper) <= 1.0));
}

void report(const std::vector<double> &ours, const std::vector<double> &gpsd, int missed)
{
    using namespace Bench;
    const auto line = [](const char *who, const std::vector<double> &values) {
        std::printf("  %-8s median %.3f ms, p95 %.3f ms, p99 %.3f ms, max %.3f ms (%zu lines)\n",
            who, median(values), percentile(values, 0.95), percentile(values, 0.99),
            maximum(values), values.size());
    };
    line("horolux:", ours);
    line("gpsd:", gpsd);
    std::printf("  gpsd left %d lines unreported\n", missed);
    const QString what = QStringLiteral("last character of an RMC line -> clock set, ");
    const QString reference = QStringLiteral(" ms (gpsd, to its TPV report)");
    row(what + QStringLiteral("median of %1 lines").arg(ours.size()),
        number(median(ours), 3) + QStringLiteral(" ms"), number(median(gpsd), 3) + reference,
        ratio(median(ours), median(gpsd)), QStringLiteral("<= 1 ms"), met(median(ours) <= 1.0));
    row(what + QStringLiteral("max"), number(maximum(ours), 3) + QStringLiteral(" ms"),
        number(maximum(gpsd), 3) + reference, ratio(maximum(ours), maximum(gpsd)),
        QStringLiteral("<= 5 ms"), met(maximum(ours) <= 5.0));
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    std::printf("decode latency, %d sentences to each of gpsd and horolux\n", rounds);
    if (BenchGpsd::executable().isEmpty()) {
        std::printf("  gpsd is not installed (Debian package gpsd): no reference\n");
        return 1;
    }

    BenchPty gpsdLine;
    gpsdLine.openToEveryone();
    BenchGpsd gpsd;
    if (!gpsd.start(gpsdLine.slavePath(), true)) {
        std::printf("  gpsd did not start\n");
        return 1;
    }
    Receiver horolux;
    std::unique_ptr<ClockHelper> helper;
    QTemporaryDir stampDir;
    const QString stamp = stampDir.filePath(QStringLiteral("last-step"));
    if (argc > 3) {
        helper = shimmedHelper(
            QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), stamp);
        if (!helper) {
            std::printf("  the helper did not start with the clock shim loaded: not used\n");
            return 1;
        }
        horolux.setHelper(helper.get(), stamp);
    }

    // Both get a few lines first: gpsd recognises the device, the program opens its paths.
    QDateTime moment = Bench::utcWholeSecondNow();
    for (int i = 0, reported = 0; i < 30 && reported < 3; ++i) {
        moment = moment.addSecs(1);
        gpsdLine.write(Bench::rmcSentence(moment));
        reported += gpsd.waitForReport(gpsdTime(moment), 500) ? 1 : 0;
        horolux.latencyOf(Bench::rmcSentence(moment));
    }

    std::vector<double> ours;
    std::vector<double> throughHelper;
    std::vector<double> reference;
    int missed = 0;
    for (int i = 0; i < rounds; ++i) {
        moment = moment.addSecs(1);
        const QByteArray sentence = Bench::rmcSentence(moment);
        const auto written = Steady::now();
        gpsdLine.write(sentence);
        if (const auto reported = gpsd.waitForReport(gpsdTime(moment), 1000))
            reference.push_back(Bench::msBetween(written, *reported));
        else
            ++missed;
        const double latency = horolux.latencyOf(sentence);
        if (latency >= 0)
            ours.push_back(latency);
        if (const double viaHelper = horolux.helperLatency(); viaHelper >= 0)
            throughHelper.push_back(viaHelper);
    }
    gpsd.stop();
    if (ours.size() < size_t(rounds) || reference.empty()) {
        std::printf("  horolux set the clock %zu times of %d, gpsd reported %zu\n", ours.size(),
            rounds, reference.size());
        return 1;
    }
    report(ours, reference, missed);
    if (helper)
        reportHelper(throughHelper, reference);
    return 0;
}
