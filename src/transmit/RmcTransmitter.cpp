#include "RmcTransmitter.h"

#include "RmcSentence.h"
#include "common/Module1.h"
#include "platform/Clock.h"
#include "serial/CommError.h"
#include "serial/MSComm.h"

#include <utility>

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

RmcTransmitter::RmcTransmitter(Wiring wiring)
    : m_w(std::move(wiring))
{ }

void RmcTransmitter::TransmitRmc()
{
    Module1 &m = m_w.module1;
    m.systemTime = m_w.clock.GetSystemTime();
    const QByteArray sentence = sentenceFor(m.systemTime);
    // One port serves both directions when the numbers are equal.
    MSComm &port = m.transmitPort == m.receivePort ? m_w.receivePort() : m_w.transmitPort();
    QString shown = QString::fromLatin1(sentence);
    try {
        // The bytes leave before the display is touched: a master clock sets itself by them.
        if (port.PortOpen()) {
            boundWaitingOutput(port, sentence.size());
            port.setOutput(sentence);
            if (m_w.sent)
                m_w.sent(m.systemTime);
        }
    } catch (const CommError &error) {
        shown = errorText(error);
    }
    m_w.showOnMonitor(shown);
    prepareNextMinute(m.systemTime);
}

void RmcTransmitter::boundWaitingOutput(MSComm &port, qsizetype adding)
{
    // A master clock that stops reading (flow held, a full device) must not make the queue grow
    // without end. The port can only drop all it holds, and what waits is old news anyway: a
    // clock that reads again gets the current minute rather than a backlog of stale ones.
    if (port.OutBufferCount() + adding <= kMaxWaitingOutput)
        return;
    port.setOutBufferCount(0);
    if (m_w.outputDropped)
        m_w.outputDropped(QStringLiteral("COM%1 takes no more sentences; the unsent ones were "
                                         "dropped. Is the master clock connected and on?")
                              .arg(port.CommPort()));
}

QByteArray RmcTransmitter::sentenceFor(const SYSTEMTIME &utc) const
{
    const bool prepared = utc.wYear == m_preparedFor.wYear && utc.wMonth == m_preparedFor.wMonth
        && utc.wDay == m_preparedFor.wDay && utc.wHour == m_preparedFor.wHour
        && utc.wMinute == m_preparedFor.wMinute && !m_prepared.isEmpty();
    return prepared ? m_prepared : RmcSentence::build(utc);
}

void RmcTransmitter::prepareNextMinute(const SYSTEMTIME &utc)
{
    // At second 30 the bytes then leave without being formatted first; a clock moved in
    // between finds another minute and has its own sentence made.
    const auto msecs = msecsFromSystemTime(utc);
    if (!msecs)
        return;
    m_preparedFor = systemTimeFromMSecs(*msecs + 60 * 1000);
    m_prepared = RmcSentence::build(m_preparedFor);
}
