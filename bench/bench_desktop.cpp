// The real executable on a virtual desktop with a tray host, against references started and
// read the same way in the same run:
//  - start-up to the tray icon, against a bare Qt Widgets program's start to its first window;
//  - idle cost with the window hidden and both ports open, against a Qt program that wakes once
//    a second (the floor for following the clock's seconds) and gpsd idling on a silent device;
//  - the same with the receiver streaming one line a second, against the same floor;
//  - peak resident size, against the bare Qt Widgets program showing its window.
// The program gets a private wall clock (the clock shim): it never sets the machine's clock.
//
//   bench_desktop <horolux executable> <clock shim library> [start-ups, default 10]
//                 [idle seconds, default 20]

#include "BenchDisplay.h"
#include "BenchGpsd.h"
#include "BenchPty.h"
#include "BenchReport.h"
#include "BenchUsage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

namespace {
using namespace Bench;

constexpr int kWaitMs = 10000;

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// The program's own folder, as installed: its executable, its settings file with receive port
// 1 and transmit port 2, and ports/COM1 and ports/COM2 leading to pseudo-terminals.
class Installation
{
public:
    explicit Installation(const QString &executable)
    {
        m_ok = QFile::copy(executable, path(QStringLiteral("horolux")))
            && QFile::setPermissions(path(QStringLiteral("horolux")),
                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            && QDir().mkpath(path(QStringLiteral("run")))
            && QFile::setPermissions(path(QStringLiteral("run")),
                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile settings(path(QStringLiteral("GPSInit.ini")));
        m_ok
            = m_ok && settings.open(QIODevice::WriteOnly) && settings.write("\x01\x00\x02", 3) == 3;
        receiver.linkAs(m_folder.path(), 1);
        clockLine.linkAs(m_folder.path(), 2);
    }
    bool ok() const { return m_ok; }
    QString path(const QString &name) const { return m_folder.filePath(name); }

    BenchPty receiver;
    BenchPty clockLine;

private:
    QTemporaryDir m_folder;
    bool m_ok = false;
};

class DesktopBench
{
public:
    DesktopBench(const QString &horolux, const QString &shim)
        : m_installation(horolux)
        , m_shim(QFileInfo(shim).canonicalFilePath())
        , m_bare(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_bare_window"))
    { }

    QString start()
    {
        if (!m_installation.ok())
            return QStringLiteral("cannot lay out the program's folder");
        if (!QFileInfo::exists(m_shim) || !QFileInfo::exists(m_bare))
            return QStringLiteral("missing ") + m_shim + QStringLiteral(" or ") + m_bare;
        if (BenchGpsd::executable().isEmpty())
            return QStringLiteral("needs gpsd (Debian package gpsd)");
        const QString failure = m_display.start();
        if (!failure.isEmpty())
            return failure;
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("DISPLAY"), m_display.display());
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_environment.insert(
            QStringLiteral("XDG_RUNTIME_DIR"), m_installation.path(QStringLiteral("run")));
        m_environment.insert(QStringLiteral("LD_PRELOAD"), m_shim);
        m_environment.insert(
            QStringLiteral("HOROLUX_SHIM_LOG"), m_installation.path(QStringLiteral("clock.log")));
        m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return {};
    }

    void startUps(int runs);
    void idle(int seconds);

private:
    // Starts a program; returns how long it took until the tray host took its icon (dock) or
    // its first window was mapped.
    std::optional<double> launch(
        QProcess &process, const QString &program, const QStringList &arguments, bool dock)
    {
        process.setProcessEnvironment(m_environment);
        process.setWorkingDirectory(m_installation.path(QString()));
        process.setStandardOutputFile(QProcess::nullDevice());
        m_display.forgetEvents();
        const auto started = Steady::now();
        process.start(program, arguments);
        const auto seen
            = dock ? m_display.waitForDockedIcon(kWaitMs) : m_display.waitForMappedWindow(kWaitMs);
        if (!seen)
            return std::nullopt;
        return msBetween(started, *seen);
    }
    QString horolux() const { return m_installation.path(QStringLiteral("horolux")); }
    bool setClockFromReceiver();
    void streaming(qint64 pid, qint64 floorPid, int seconds);

    Installation m_installation;
    QString m_shim;
    QString m_bare;
    BenchDisplay m_display;
    QProcessEnvironment m_environment;
};

void DesktopBench::startUps(int runs)
{
    std::vector<double> ours;
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        QProcess program;
        if (const auto took = launch(program, horolux(), {}, true))
            ours.push_back(*took);
        stopProcess(program);
        QProcess reference;
        if (const auto took = launch(reference, m_bare, {}, false))
            bare.push_back(*took);
        stopProcess(reference);
    }
    std::printf(
        "start-up, %d runs each\n  horolux to tray icon: median %.1f ms, max %.1f ms "
        "(%zu seen)\n  bare Qt program to its window: median %.1f ms, max %.1f ms (%zu seen)\n",
        runs, median(ours), maximum(ours), ours.size(), median(bare), maximum(bare), bare.size());
    if (ours.size() != size_t(runs) || bare.empty()) {
        row(QStringLiteral("start-up to tray icon"),
            QStringLiteral("icon seen %1 of %2 times").arg(ours.size()).arg(runs),
            QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("<= 300 ms"), met(false));
        return;
    }
    const QString what = QStringLiteral("start-up to tray icon (Xvfb + trayer), ");
    const QString reference = QStringLiteral(" ms (bare Qt Widgets program, to its window)");
    row(what + QStringLiteral("median of %1").arg(runs),
        number(median(ours), 1) + QStringLiteral(" ms"), number(median(bare), 1) + reference,
        ratio(median(ours), median(bare)), QStringLiteral("<= 300 ms"), met(median(ours) <= 300.0));
    row(what + QStringLiteral("max"), number(maximum(ours), 1) + QStringLiteral(" ms"),
        number(maximum(bare), 1) + reference, ratio(maximum(ours), maximum(bare)),
        QStringLiteral("<= 300 ms"), met(maximum(ours) <= 300.0));
}

bool isRunning(qint64 pid)
{
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype state = stat.lastIndexOf(')') + 2;
    return state > 1 && state < stat.size() && stat[state] != 'Z';
}

// Only a program whose clock settings go to the shim's private clock may be fed a sentence.
bool hasPrivateClock(qint64 pid, const QString &shim)
{
    return readProcFile(QStringLiteral("/proc/%1/maps").arg(pid)).contains(shim.toLocal8Bit());
}

// The first tick after start-up sets the clock from the receiver; feed it so that the program
// settles at once instead of searching a silent port first.
bool DesktopBench::setClockFromReceiver()
{
    const QString log = m_installation.path(QStringLiteral("clock.log"));
    const auto deadline = Steady::now() + std::chrono::milliseconds(kWaitMs);
    while (Steady::now() < deadline) {
        m_installation.receiver.write(rmcSentence(utcWholeSecondNow()));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (QFileInfo(log).size() > 0)
            return true;
    }
    return false;
}

void DesktopBench::idle(int seconds)
{
    QProcess program;
    QProcess bare;
    QProcess floor;
    BenchPty silentDevice;
    silentDevice.openToEveryone();
    BenchGpsd gpsd;
    floor.setProcessEnvironment(m_environment);
    floor.start(m_bare, {QStringLiteral("--tick")});
    QString failure;
    if (!launch(program, horolux(), {}, true))
        failure = QStringLiteral("the program showed no tray icon");
    else if (!launch(bare, m_bare, {}, false))
        failure = QStringLiteral("the bare Qt program showed no window");
    else if (!gpsd.start(silentDevice.slavePath(), false))
        failure = QStringLiteral("gpsd did not start");
    else if (!floor.waitForStarted())
        failure = QStringLiteral("the floor program did not start");
    else if (!hasPrivateClock(program.processId(), m_shim))
        failure = QStringLiteral(
            "the clock shim is not loaded: the program would set the machine's clock");
    else if (!setClockFromReceiver())
        failure = QStringLiteral("the program did not set its clock from the receiver");
    if (!failure.isEmpty()) {
        std::printf("idle: %s\n", qPrintable(failure));
        row(QStringLiteral("idle, window hidden, both ports open"), QStringLiteral("not measured"),
            QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("<= 10 wake-ups/s, <= 0.5 %"),
            met(false));
        for (QProcess *process : {&program, &bare, &floor})
            stopProcess(*process);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    m_installation.clockLine.drain();

    const Usage oursBefore = usageOf(program.processId());
    const Usage floorBefore = usageOf(floor.processId());
    const Usage gpsdBefore = usageOf(gpsd.pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Rate ours = rateBetween(oursBefore, usageOf(program.processId()));
    const Rate floorRate = rateBetween(floorBefore, usageOf(floor.processId()));
    const Rate gpsdRate = rateBetween(gpsdBefore, usageOf(gpsd.pid()));
    const long oursPeak = peakResidentKb(program.processId());
    const long barePeak = peakResidentKb(bare.processId());
    const bool stillRunning = isRunning(program.processId());

    std::printf("idle for %d s, window hidden, both ports open\n", seconds);
    printRate("horolux", ours);
    printRate("floor (Qt program waking once a second)", floorRate);
    printRate("gpsd on a silent device", gpsdRate);
    std::printf("  peak resident size: horolux %ld KiB, bare Qt Widgets window %ld KiB\n", oursPeak,
        barePeak);

    const QString what
        = QStringLiteral("idle, window hidden in the tray, both ports open, %1 s: ").arg(seconds);
    const QString byFloor = QStringLiteral(" (Qt program waking once a second)");
    const QString byGpsd = QStringLiteral(" (gpsd, silent device)");
    const auto wakeUps
        = [](const Rate &rate) { return number(rate.wakeUpsPerSecond, 2) + QStringLiteral(" /s"); };
    const auto cpu
        = [](const Rate &rate) { return number(rate.cpuPercent, 3) + QStringLiteral(" %"); };
    const bool fewWakeUps = stillRunning && ours.wakeUpsPerSecond <= 10.0;
    const bool littleCpu = stillRunning && ours.cpuPercent <= 0.5;
    const QString wakeUpsWhat = what + QStringLiteral("wake-ups");
    const QString cpuWhat = what + QStringLiteral("CPU of a core");
    const double wakeUpsRatio = ours.wakeUpsPerSecond / floorRate.wakeUpsPerSecond;
    const double cpuRatio = ours.cpuPercent / floorRate.cpuPercent;
    row(wakeUpsWhat, wakeUps(ours), wakeUps(floorRate) + byFloor,
        ratio(ours.wakeUpsPerSecond, floorRate.wakeUpsPerSecond),
        QStringLiteral("<= 10 /s, ratio <= 1.2"), met(fewWakeUps && wakeUpsRatio <= 1.2));
    row(wakeUpsWhat, wakeUps(ours), wakeUps(gpsdRate) + byGpsd,
        ratio(ours.wakeUpsPerSecond, gpsdRate.wakeUpsPerSecond), QStringLiteral("<= 10 /s"),
        met(fewWakeUps));
    row(cpuWhat, cpu(ours), cpu(floorRate) + byFloor, ratio(ours.cpuPercent, floorRate.cpuPercent),
        QStringLiteral("<= 0.5 %, ratio <= 1.5"), met(littleCpu && cpuRatio <= 1.5));
    row(cpuWhat, cpu(ours), cpu(gpsdRate) + byGpsd, ratio(ours.cpuPercent, gpsdRate.cpuPercent),
        QStringLiteral("<= 0.5 %"), met(littleCpu));
    row(QStringLiteral("peak resident size (VmHWM), running hidden"),
        number(double(oursPeak) / 1024.0, 1) + QStringLiteral(" MiB"),
        number(double(barePeak) / 1024.0, 1)
            + QStringLiteral(" MiB (bare Qt Widgets program showing one window)"),
        ratio(double(oursPeak), double(barePeak)), QStringLiteral("ratio <= 1.1"),
        met(stillRunning && double(oursPeak) <= 1.1 * double(barePeak)));

    streaming(program.processId(), floor.processId(), seconds);
    stopProcess(program);
    stopProcess(bare);
    stopProcess(floor);
}

// A receiver that talks once a second, half a second away from the program's own seconds:
// each line should cost at most one wake-up on top of the floor.
void DesktopBench::streaming(qint64 pid, qint64 floorPid, int seconds)
{
    const Usage oursBefore = usageOf(pid);
    const Usage floorBefore = usageOf(floorPid);
    const auto start = Steady::now();
    for (int line = 0; line < seconds; ++line) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(500 + 1000 * line));
        m_installation.receiver.write(rmcSentence(utcWholeSecondNow()));
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
    const Rate ours = rateBetween(oursBefore, usageOf(pid));
    const Rate floorRate = rateBetween(floorBefore, usageOf(floorPid));
    const bool stillRunning = isRunning(pid);

    std::printf("idle for %d s, window hidden, receiver streaming one line a second\n", seconds);
    printRate("horolux", ours);
    printRate("floor (Qt program waking once a second)", floorRate);
    const double linesPerSecond = double(seconds) / ours.seconds;
    const double perLine = (ours.wakeUpsPerSecond - floorRate.wakeUpsPerSecond) / linesPerSecond;
    row(QStringLiteral("idle, window hidden, receiver streaming one line a second, %1 s: wake-ups")
            .arg(seconds),
        number(ours.wakeUpsPerSecond, 2)
            + QStringLiteral(" /s (%1 per line over the floor)").arg(number(perLine, 2)),
        number(floorRate.wakeUpsPerSecond, 2)
            + QStringLiteral(" /s (Qt program waking once a second)"),
        ratio(ours.wakeUpsPerSecond, floorRate.wakeUpsPerSecond),
        // Judged as shown, to two decimals: wake-ups are counted whole over the period.
        QStringLiteral("<= 1 per line + the floor"), met(stillRunning && perLine < 1.005));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::printf("usage: bench_desktop <horolux executable> <clock shim library> "
                    "[start-ups] [idle seconds]\n");
        return 2;
    }
    const int startUps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    const int idleSeconds = argc > 4 ? std::max(2, std::atoi(argv[4])) : 20;
    DesktopBench bench(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    const QString failure = bench.start();
    if (!failure.isEmpty()) {
        std::printf("bench_desktop: %s\n", qPrintable(failure));
        return 1;
    }
    bench.startUps(startUps);
    bench.idle(idleSeconds);
    return 0;
}
