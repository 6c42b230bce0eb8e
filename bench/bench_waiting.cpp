// What the program costs while it waits for something: a receive search on a silent port, the
// setup dialog open, a message box open. Each wait is measured in this process, side by side
// with a Qt program of no window that wakes once a second (bench_bare_window --tick, the floor
// for a program that follows the clock's seconds), read the same way over the same period.
//
//   bench_waiting [seconds the dialog and the box stay open, default 8]

#include "BenchClock.h"
#include "BenchPty.h"
#include "BenchReport.h"
#include "BenchUsage.h"

#include "app/HoroluxApp.h"
#include "dialogs/Form10.h"
#include "platform/SystemClock.h"
#include "platform/Timer.h"
#include "serial/DevicePortFactory.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

void openPort(MSComm &port, int number)
{
    port.setCommPort(number);
    port.setSettings(QStringLiteral("2400,N,8,1"));
    port.setPortOpen(true);
}

void runFor(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Target
{
    double cpuPercent;
    double wakeUpsPerSecond;
};
constexpr Target kDialogTarget {2.0, 1e9};
constexpr Target kSearchTarget {0.1, 5.0};

QString targetText(const Target &target)
{
    QString text = QStringLiteral("<= %1 % of a core").arg(target.cpuPercent);
    if (target.wakeUpsPerSecond < 1e9)
        text += QStringLiteral(", <= %1 wake-ups/s").arg(target.wakeUpsPerSecond);
    return text;
}

// Runs one wait of the program and reports it against the floor program over the same time.
void measure(
    const QString &what, qint64 floorPid, const Target &target, const std::function<void()> &wait)
{
    using namespace Bench;
    const Usage oursBefore = usageOf(::getpid());
    const Usage floorBefore = usageOf(floorPid);
    wait();
    const Rate ours = rateBetween(oursBefore, usageOf(::getpid()));
    const Rate floor = rateBetween(floorBefore, usageOf(floorPid));
    std::printf("%s\n", qPrintable(what));
    printRate("horolux", ours);
    printRate("floor (Qt program waking once a second)", floor);
    const auto text = [](const Rate &rate) {
        return number(rate.cpuPercent, 3) + QStringLiteral(" % (")
            + number(rate.wakeUpsPerSecond, 1) + QStringLiteral(" wake-ups/s)");
    };
    row(what + QStringLiteral(", %1 s: CPU of a core").arg(number(ours.seconds, 1)), text(ours),
        text(floor) + QStringLiteral(", Qt program waking once a second"),
        ratio(ours.cpuPercent, floor.cpuPercent), targetText(target),
        met(ours.cpuPercent <= target.cpuPercent
            && ours.wakeUpsPerSecond <= target.wakeUpsPerSecond));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int openMs = (argc > 1 ? std::max(2, std::atoi(argv[1])) : 8) * 1000;

    QProcess floor;
    floor.setProcessChannelMode(QProcess::ForwardedChannels);
    floor.start(QApplication::applicationDirPath() + QStringLiteral("/bench_bare_window"),
        {QStringLiteral("--tick")});
    if (!floor.waitForStarted()) {
        std::printf("bench_bare_window did not start: %s\n", qPrintable(floor.errorString()));
        return 1;
    }

    // As after start-up with both ports set: window hidden, ports open, clock cycle running.
    QTemporaryDir folder;
    BenchPty receiverLine;
    BenchPty clockLine;
    receiverLine.linkAs(folder.path(), 1);
    clockLine.linkAs(folder.path(), 2);
    ReadOnlyClock clock;
    DevicePortFactory ports(folder.path());
    HoroluxApp::Environment environment;
    environment.clock = &clock;
    environment.ports = &ports;
    environment.executableDir = folder.path();
    environment.runtimeDir = folder.path();
    HoroluxApp horolux(environment);
    Module1 &m = horolux.module1();
    m.receivePort = 1;
    m.transmitPort = 2;
    openPort(horolux.form5()->MSComm1, 1);
    openPort(horolux.form5()->MSComm2, 2);
    horolux.form4();
    Form1 *main = horolux.form1();
    main->menuSetRcv->setChecked(true);
    main->menuSetTrans->setChecked(true);
    // The clock was set at start-up: the cycle waits for the next hour.
    m.lastClockText = clock.localTimeText();
    main->Timer1->setEnabled(true);
    runFor(500);

    measure(QStringLiteral("a receive search with a silent port"), floor.processId(), kSearchTarget,
        [&] { horolux.receiveIntoClockFields(); });
    measure(QStringLiteral("the setup dialog open"), floor.processId(), kDialogTarget, [&] {
        QTimer::singleShot(openMs, horolux.form5(), [&] { horolux.form5()->close(); });
        horolux.menuCommands().menuSetRcv_Click();
        // Leaving the dialog asks for a clock setting at the next tick; that is not this wait.
        m.lastClockText = clock.localTimeText();
    });
    measure(QStringLiteral("a message box open"), floor.processId(), kDialogTarget, [&] {
        QTimer::singleShot(openMs, &horolux, [&] { horolux.form10()->Command1_Click(); });
        horolux.ShowMessageBox(QStringLiteral("A message that waits for OK"),
            MessageBox::Information, MessageBox::OkOnly, QStringLiteral("Horolux"));
    });

    main->Timer1->setEnabled(false);
    floor.terminate();
    floor.waitForFinished(3000);
    return 0;
}
