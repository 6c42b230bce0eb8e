#include "TransmissionDisplay.h"

#include "Form4.h"
#include "MonitorTextBox.h"
#include "common/Module1.h"
#include "platform/Clock.h"

#include <utility>

namespace {
// The sentence sent at second 30 stays readable until second 49.
constexpr int kKeepSentenceFor = 41;
} // namespace

TransmissionDisplay::TransmissionDisplay(Module1 &module1, Clock &clock,
    std::function<void(const QString &, const QString &)> showClock,
    std::function<Form4 *()> monitor)
    : m_module1(module1)
    , m_clock(clock)
    , m_showClock(std::move(showClock))
    , m_monitor(std::move(monitor))
{ }

void TransmissionDisplay::Timer4_Timer()
{
    Module1 &m = m_module1;
    const Clock &clock = m_clock;
    const QDateTime now = clock.localNow();
    if (m.shuttingDown || now.toString(QStringLiteral("HH:mm:ss")) == m.lastDisplayTime)
        return;
    m_showClock(
        now.toString(QStringLiteral("h:mm:ss AP")), now.toString(QStringLiteral("MM/dd/yy")));
    Form4 *monitor = m_monitor();
    if (monitor->isVisible())
        showCountdown(*monitor, now.time().second());
    m.lastDisplayTime = clock.localTimeText();
}

int TransmissionDisplay::secondsToTransmission(int second)
{
    return second > 30 ? 90 - second : 30 - second;
}

void TransmissionDisplay::showCountdown(Form4 &monitor, int second)
{
    const int n = secondsToTransmission(second);
    monitor.setWindowTitle(
        QStringLiteral("  Simulated GPS Transmission in ") + QString::number(n) + " sec.");
    if (n > 0 && n < kKeepSentenceFor)
        monitor.Text1->setText(QString());
}
