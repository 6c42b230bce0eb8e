// How soon after the second the simulated sentence reaches the line, and what the program
// costs while it waits: the real clock, real pseudo-terminal ports, the window hidden.
//
//   bench_transmit [departure seconds, default 20] [idle seconds, default 10]

#include "platform/SystemClock.h"
#include "platform/Timer.h"
#include "serial/DevicePortFactory.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/HoroluxApp.h"
#include "transmit/RmcTransmitter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A device on the far end of a port: the program opens the slave side, we hold the master.
class Line
{
public:
    Line()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        termios raw {};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(name);
    }
    ~Line()
    {
        ::close(m_master);
        ::close(m_slave);
    }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    int master() const { return m_master; }
    void linkAs(const QString &folder, int portNumber) const
    {
        QDir(folder).mkpath(QStringLiteral("ports"));
        QFile::link(
            m_slavePath, folder + QStringLiteral("/ports/COM") + QString::number(portNumber));
    }
    void drain() const
    {
        char buffer[4096];
        while (::read(m_master, buffer, sizeof buffer) > 0) { }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

double nowMs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Milliseconds from the nearest whole second: negative would mean early.
double offsetFromSecond(double ms)
{
    const double offset = ms - 1000.0 * double(qint64(ms / 1000.0));
    return offset > 500.0 ? offset - 1000.0 : offset;
}

// Stamps the arrival of the first byte of every line on the master side.
class ArrivalRecorder
{
public:
    explicit ArrivalRecorder(int fd)
        : m_thread([this, fd] { run(fd); })
    { }
    ~ArrivalRecorder()
    {
        m_stop = true;
        m_thread.join();
    }
    std::vector<double> offsets()
    {
        std::lock_guard lock(m_mutex);
        return m_offsets;
    }

private:
    void run(int fd)
    {
        bool atLineStart = true;
        pollfd waiting {fd, POLLIN, 0};
        while (!m_stop) {
            if (::poll(&waiting, 1, 100) <= 0)
                continue;
            const double arrived = nowMs();
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            if (atLineStart)
                record(arrived);
            atLineStart = buffer[n - 1] == '\n';
        }
    }
    void record(double arrived)
    {
        std::lock_guard lock(m_mutex);
        m_offsets.push_back(offsetFromSecond(arrived));
    }

    std::atomic<bool> m_stop {false};
    std::mutex m_mutex;
    std::vector<double> m_offsets;
    std::thread m_thread;
};

// Notes when a timer's event reaches it, before any handler runs.
class TimerEventStamp : public QObject
{
public:
    std::vector<double> offsets;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Skips the wake that starts a timer's short final leg before the boundary.
        const double offset = offsetFromSecond(nowMs());
        if (event->type() == QEvent::Timer && offset > -5.0)
            offsets.push_back(offset);
        return QObject::eventFilter(watched, event);
    }
};

struct Usage
{
    double cpuMs = 0;
    long mainThreadSwitches = 0;
};

Usage usageNow()
{
    rusage self {};
    rusage thread {};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_THREAD, &thread);
    const auto ms
        = [](const timeval &tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    return {ms(self.ru_utime) + ms(self.ru_stime), thread.ru_nvcsw};
}

void runFor(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1) + 0.5)];
}

void openPort(MSComm &port, int number)
{
    port.setCommPort(number);
    port.setSettings(QStringLiteral("2400,N,8,1"));
    port.setPortOpen(true);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int departureSeconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    const int idleSeconds = argc > 2 ? std::max(2, std::atoi(argv[2])) : 10;

    QTemporaryDir folder;
    Line receiverLine;
    Line clockLine;
    receiverLine.linkAs(folder.path(), 1);
    clockLine.linkAs(folder.path(), 2);
    SystemClock clock;
    DevicePortFactory ports(folder.path());
    HoroluxApp::Environment environment;
    environment.clock = &clock;
    environment.ports = &ports;
    environment.executableDir = folder.path();
    environment.runtimeDir = folder.path() + QStringLiteral("/run");
    HoroluxApp horolux(environment);

    // As after start-up with both ports set and transmitting on: window hidden, monitor loaded.
    Module1 &m = horolux.module1();
    m.receivePort = 1;
    m.transmitPort = 2;
    Form1 *main = horolux.form1();
    openPort(horolux.form5()->MSComm1, 1);
    openPort(horolux.form5()->MSComm2, 2);
    horolux.form4();
    main->menuSetTrans->setChecked(true);
    main->Timer1->setEnabled(true);

    int ticks = 0;
    QObject::connect(main->Timer1, &Timer::timeout, main, [&ticks] { ++ticks; });
    QObject::connect(main->Timer4, &Timer::timeout, main, [&ticks] { ++ticks; });

    std::printf("idle for %d s (window hidden, both ports open)...\n", idleSeconds);
    runFor(200);
    const Usage before = usageNow();
    const int ticksBefore = ticks;
    const double idleStart = nowMs();
    runFor(idleSeconds * 1000);
    const double idleMs = nowMs() - idleStart;
    const Usage after = usageNow();
    const double wakeups
        = double(after.mainThreadSwitches - before.mainThreadSwitches) * 1000.0 / idleMs;
    const double timerTicks = double(ticks - ticksBefore) * 1000.0 / idleMs;
    const double cpuPercent = (after.cpuMs - before.cpuMs) * 100.0 / idleMs;

    // Every second becomes a second 30: the same tick, the same call, the same port.
    std::printf("sentence departures for %d s...\n", departureSeconds);
    clockLine.drain();
    QString lastSecond;
    std::vector<double> tickOffsets;
    std::vector<double> writtenOffsets;
    QObject::connect(main->Timer1, &Timer::timeout, main, [&] {
        const double tick = nowMs();
        const QString text = clock.localTimeText();
        if (text == lastSecond || text.endsWith(QLatin1String(":30")))
            return;
        lastSecond = text;
        horolux.transmitter().TransmitRmc();
        tickOffsets.push_back(offsetFromSecond(tick));
        writtenOffsets.push_back(offsetFromSecond(nowMs()));
    });
    TimerEventStamp timerEvents;
    main->Timer1->installEventFilter(&timerEvents);
    std::vector<double> offsets;
    {
        ArrivalRecorder recorder(clockLine.master());
        runFor(departureSeconds * 1000 + 300);
        offsets = recorder.offsets();
    }
    main->Timer1->setEnabled(false);

    std::printf("\n%-44s %10s %10s\n", "measure", "value", "target");
    if (offsets.empty()) {
        std::printf("no sentence arrived\n");
        return 1;
    }
    std::printf("%-44s %10zu\n", "sentences timed", offsets.size());
    std::printf("%-44s %10.2f %10s\n", "first byte after the second, median (ms)",
        percentile(offsets, 0.5), "<= 3");
    std::printf(
        "%-44s %10.2f\n", "first byte after the second, 90 % (ms)", percentile(offsets, 0.9));
    std::printf("%-44s %10.2f %10s\n", "first byte after the second, max (ms)",
        *std::max_element(offsets.begin(), offsets.end()), "<= 10");
    std::printf("%-44s %10.2f\n", "first byte after the second, min (ms)",
        *std::min_element(offsets.begin(), offsets.end()));
    std::printf("%-44s %10.2f\n", "timer event delivered, median (ms)",
        percentile(timerEvents.offsets, 0.5));
    std::printf(
        "%-44s %10.2f\n", "tick handler entered, median (ms)", percentile(tickOffsets, 0.5));
    std::printf("%-44s %10.2f\n", "write returned, median (ms)", percentile(writtenOffsets, 0.5));
    std::printf("%-44s %10.2f\n", "write returned, max (ms)",
        *std::max_element(writtenOffsets.begin(), writtenOffsets.end()));
    std::printf("%-44s %10.2f %10s\n", "idle wake-ups of the main thread per s", wakeups, "<= 10");
    std::printf("%-44s %10.2f\n", "idle timer ticks per s (Timer1 + Timer4)", timerTicks);
    std::printf("%-44s %10.3f %10s\n", "idle CPU (% of one core)", cpuPercent, "<= 0.5");
    return 0;
}
