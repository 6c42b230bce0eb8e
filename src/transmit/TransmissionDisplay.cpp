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
    std::function<Form4 *()> monitor, std::function<bool()> monitorShown,
    std::function<bool()> mainWindowShown)
    : m_module1(module1)
    , m_clock(clock)
    , m_showClock(std::move(showClock))
    , m_monitor(std::move(monitor))
    , m_monitorShown(std::move(monitorShown))
    , m_mainWindowShown(std::move(mainWindowShown))
{ }

void TransmissionDisplay::Timer4_Timer()
{
    // Hidden in the tray the program would otherwise format the time every second for nobody.
    if (m_module1.shuttingDown || hasNothingToShow())
        return;
    if (m_clock.localTimeText() != m_module1.lastDisplayTime)
        show(m_clock.localNow());
}

void TransmissionDisplay::refresh()
{
    if (!m_module1.shuttingDown)
        show(m_clock.localNow());
}

void TransmissionDisplay::show(const QDateTime &now)
{
    m_showClock(
        now.toString(QStringLiteral("h:mm:ss AP")), now.toString(QStringLiteral("MM/dd/yy")));
    if (m_monitorShown())
        showCountdown(*m_monitor(), now.time().second());
    m_module1.lastDisplayTime = m_clock.localTimeText();
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
