#include "PortProbe.h"

#include "Form5.h"
#include "SetupHost.h"
#include "common/MessageBoxCodes.h"
#include "common/Module1.h"
#include "platform/EventPump.h"
#include "platform/Timer.h"
#include "serial/CommError.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QByteArray kQuery = QByteArrayLiteral("ATV1\r");
constexpr int kAttempts = 2;
constexpr qint16 kTicksPerAttempt = 15;

QString noDeviceText()
{
    return kCrLf + kCrLf + QStringLiteral(" No Device Detected on this Comm Port ");
}

QString modemText()
{
    return kCrLf + kCrLf + QStringLiteral(" Modem detected on this port. ");
}
} // namespace

PortProbe::PortProbe(Module1 &module1, Form5 &form, SetupHost &host)
    : m_module1(module1)
    , m_form(form)
    , m_host(host)
{ }

bool PortProbe::containsReply(const QByteArray &received)
{
    return received.size() >= 3 && received.first(received.size() - 1).contains("OK");
}

QString PortProbe::openErrorText(int number, const QString &description)
{
    switch (number) {
    case CommError::PortAlreadyOpen:
        return kCrLf + kCrLf + QStringLiteral("Port already open.");
    case CommError::InvalidPortNumber:
        return kCrLf + kCrLf + QStringLiteral("Invalid Port Number.");
    }
    return CommError::unforeseenText(number, description, 1);
}

void PortProbe::run()
{
    // Selections made by the dialog's own load and activation handlers are not probed.
    if (!m_form.isVisible() || m_form.activating)
        return;
    const int n = m_form.Combo1->currentIndex() + 1;
    if (portInUse(n))
        return;
    // A pick made while an earlier run waits for its answer takes the probe port over; the
    // earlier run then ends without a word, so only the port the user chose last is reported.
    const quint64 run = ++m_run;
    m_form.Timer3->setEnabled(false);
    closeProbePort();
    setButtonsEnabled(false);

    bool ctsHolding = false;
    try {
        ctsHolding = openPort(n);
    } catch (const CommError &error) {
        closeProbePort();
        report(n, openErrorText(error.number(), error.description()), MessageBox::Critical);
        return;
    }
    if (!ctsHolding) {
        closeProbePort();
        report(n, noDeviceText(), MessageBox::Information);
        return;
    }

    m_form.probeCountdown = 1;
    m_form.Timer3->setEnabled(true);
    bool modem = false;
    try {
        modem = askForReply(run);
    } catch (const CommError &) {
        // The port failed while talking to the device: reported as a modem.
        modem = true;
    }
    if (abandoned(run))
        return;
    m_form.Timer3->setEnabled(false);
    m_form.Text1->clear();
    closeProbePort();
    if (modem && !m_module1.shuttingDown)
        report(n, modemText(), MessageBox::Critical);
    else
        setButtonsEnabled(true);
}

bool PortProbe::portInUse(int n) const
{
    const MSComm &receive = m_form.MSComm1;
    const MSComm &transmit = m_form.MSComm2;
    return (receive.CommPort() == n && receive.PortOpen())
        || (transmit.CommPort() == n && transmit.PortOpen());
}

bool PortProbe::openPort(int n)
{
    m_form.MSComm3.setCommPort(n);
    m_form.MSComm3.setSettings(MSComm::kLineSettings);
    m_form.MSComm3.setPortOpen(true);
    return m_form.MSComm3.CTSHolding();
}

bool PortProbe::askForReply(quint64 run)
{
    const Module1 &m = m_module1;
    QByteArray received;
    m_form.Text1->clear();
    bool found = false;
    for (int attempt = 0; attempt < kAttempts && !found; ++attempt) {
        m_form.MSComm3.setOutput(kQuery);
        m_form.probeCountdown = kTicksPerAttempt;
        bool takenOver = false;
        const auto end = EventPump::waitWhile(
            m.shuttingDown,
            [&] { return m_form.probeCountdown >= 1 && !(takenOver = abandoned(run)); },
            [&] {
                received += m_form.MSComm3.Input();
                m_form.Text1->setText(QString::fromLatin1(received));
                // Rescanned from the start each pass, so an answer split over reads is found.
                if (containsReply(received)) {
                    found = true;
                    m_form.probeCountdown = 0;
                    m_form.MSComm3.setInBufferCount(0);
                }
                // The tick that ends the wait is an event: sleep until it comes.
                return false;
            });
        if (takenOver || end == EventPump::WaitEnd::ShuttingDown)
            return false;
        EventPump::processPending();
        if (abandoned(run) || m.shuttingDown)
            return false;
    }
    return found;
}

bool PortProbe::abandoned(quint64 run) const
{
    return run != m_run;
}

void PortProbe::closeProbePort()
{
    if (m_form.MSComm3.PortOpen())
        m_form.MSComm3.setPortOpen(false);
}

void PortProbe::setButtonsEnabled(bool enabled)
{
    m_form.Command1->setEnabled(enabled);
    m_form.Command3->setEnabled(enabled);
}

void PortProbe::report(int n, const QString &text, int icon)
{
    Module1 &m = m_module1;
    m_form.Text1->setText(QStringLiteral("Comm Port ") + QString::number(n));
    // The activation that follows the closing of the box must not reselect the list.
    m.skipSetupActivate = true;
    // Disabling the dialog takes the focus from its controls; the user finds it where it was.
    const QPointer<QWidget> focus = m_form.focusWidget();
    m_form.setEnabled(false);
    m_host.showMessageBox(text, icon, MessageBox::OkOnly, m_form.Text1->text());
    m_form.setEnabled(true);
    setButtonsEnabled(true);
    if (focus)
        focus->setFocus();
}
