#include "TransmissionDisplay.h"

#include "Form4.h"
#include "MonitorTextBox.h"
#include "platform/Clock.h"
#include "shell/Form1.h"
#include "shell/HoroluxApp.h"

#include <QLineEdit>

namespace {
// The sentence sent at second 30 stays readable until second 49.
constexpr int kKeepSentenceFor = 41;
} // namespace

TransmissionDisplay::TransmissionDisplay(HoroluxApp &app)
    : m_app(app)
{ }

void TransmissionDisplay::Timer4_Timer()
{
    Module1 &m = m_app.module1();
    const Clock &clock = m_app.clock();
    const QDateTime now = clock.localNow();
    if (m.shuttingDown || now.toString(QStringLiteral("HH:mm:ss")) == m.lastDisplayTime)
        return;
    Form1 *main = m_app.form1();
    main->Text1->setText(now.toString(QStringLiteral("h:mm:ss AP")));
    main->Text1->setToolTip(now.toString(QStringLiteral("MM/dd/yy")));
    Form4 *monitor = m_app.form4();
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
