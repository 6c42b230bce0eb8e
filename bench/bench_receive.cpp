// Measures the receive path against a pseudo-terminal standing in for a GPS receiver:
//  - from the arrival of a sentence's last character to the clock being set;
//  - CPU and wake-ups while a search waits on a silent receiver.
#include "platform/Clock.h"
#include "platform/SystemClock.h"
#include "receive/ClockSetting.h"
#include "serial/DevicePortFactory.h"
#include "setup/Form5.h"
#include "shell/HoroluxApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {
using SteadyClock = std::chrono::steady_clock;

// Real time, but a set only records when it happened.
class RecordingClock : public Clock
{
public:
    qint64 currentMSecsSinceEpoch() const override { return m_real.currentMSecsSinceEpoch(); }
    bool setCurrentMSecsSinceEpoch(qint64) override
    {
        lastSet = SteadyClock::now();
        return true;
    }
    QDateTime toLocal(qint64 msecs) const override { return m_real.toLocal(msecs); }
    SteadyClock::time_point lastSet;

private:
    SystemClock m_real;
};

struct Pty
{
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        termios raw {};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        close(master);
        close(slave);
    }
};

struct Usage
{
    double cpuSeconds;
    long wakeUps;
};

Usage usageNow()
{
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
        + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return {cpu, ru.ru_nvcsw + ru.ru_nivcsw};
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1))];
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    Pty gps;
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QFile::link(gps.path, dir.path() + QStringLiteral("/ports/COM1"));
    RecordingClock clock;
    DevicePortFactory ports(dir.path());
    HoroluxApp app({&clock, &ports, dir.path(), dir.path()});
    app.module1().receivePort = 1;
    Form5 *form5 = app.form5();
    form5->setCheck1Value(0);
    form5->MSComm1.setCommPort(1);
    form5->MSComm1.setSettings(QStringLiteral("2400,N,8,1"));
    form5->MSComm1.setPortOpen(true);

    const QByteArray sentence
        = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
    const int rounds = argc > 1 ? atoi(argv[1]) : 200;
    std::vector<double> latencies;
    for (int i = 0; i < rounds; ++i) {
        SteadyClock::time_point written;
        QTimer::singleShot(2, &app, [&] {
            written = SteadyClock::now();
            (void)!write(gps.master, sentence.constData(), size_t(sentence.size()));
        });
        app.clockSetting().Command1_Click();
        latencies.push_back(
            std::chrono::duration<double, std::milli>(clock.lastSet - written).count());
    }
    std::printf(
        "last character -> clock set, %d sentences: median %.3f ms, p95 %.3f ms, max %.3f ms\n",
        rounds, percentile(latencies, 0.5), percentile(latencies, 0.95),
        percentile(latencies, 1.0));

    // A search that finds the head at once and then waits for a line end that never comes,
    // followed by a search on a silent port: about 15 s of waiting in all.
    const Usage before = usageNow();
    const auto start = SteadyClock::now();
    QTimer::singleShot(2, &app, [&] { (void)!write(gps.master, "$GPRMC,", 7); });
    app.receiveIntoClockFields();
    app.receiveIntoClockFields();
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    const Usage after = usageNow();
    std::printf("waiting searches on a silent receiver, %.1f s: CPU %.2f %% of a core, "
                "%.1f wake-ups a second\n",
        seconds, 100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds,
        double(after.wakeUps - before.wakeUps) / seconds);
    return 0;
}
