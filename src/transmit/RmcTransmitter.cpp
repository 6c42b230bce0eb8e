#include "RmcTransmitter.h"

#include "Form4.h"
#include "MonitorTextBox.h"
#include "RmcSentence.h"
#include "platform/Clock.h"
#include "serial/CommError.h"
#include "serial/MSComm.h"
#include "setup/Form5.h"
#include "shell/HoroluxApp.h"

namespace {
// The monitor's text for a failed write.
QString errorText(const CommError &error)
{
    switch (error.number()) {
    case CommError::PortAlreadyOpen:
        return QStringLiteral("Port already open!");
    case CommError::InvalidPortNumber:
        return QStringLiteral("Invalid Port Number!");
    default:
        break;
    }
    return CommError::unforeseenText(error.number(), error.description());
}
} // namespace

RmcTransmitter::RmcTransmitter(HoroluxApp &app)
    : m_app(app)
{ }

void RmcTransmitter::TransmitRmc()
{
    Module1 &m = m_app.module1();
    m.systemTime = m_app.clock().GetSystemTime();
    const QByteArray sentence = RmcSentence::build(m.systemTime);
    // One port serves both directions when the numbers are equal.
    Form5 *ports = m_app.form5();
    MSComm &port = m.transmitPort == m.receivePort ? ports->MSComm1 : ports->MSComm2;
    QString shown = QString::fromLatin1(sentence);
    try {
        // The bytes leave before the display is touched: a master clock sets itself by them.
        if (port.PortOpen())
            port.setOutput(sentence);
    } catch (const CommError &error) {
        shown = errorText(error);
    }
    m_app.form4()->Text1->setText(shown);
}
