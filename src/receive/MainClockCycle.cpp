#include "MainClockCycle.h"

#include "ClockSetting.h"
#include "ReceiverView.h"
#include "RmcReceiver.h"
#include "common/Module1.h"
#include "platform/Clock.h"
#include "serial/MSComm.h"

#include <utility>

namespace {
// Parts of an "hh:mm:ss" text, looked at without copying: this runs every second.
QStringView hourOf(const QString &text)
{
    return QStringView(text).left(2);
}

QStringView secondsOf(const QString &text)
{
    return QStringView(text).mid(6, 2);
}

// When the next sentence is due: the next second 30 of the clock after `text`'s second.
qint64 nextSentenceDue(const Clock &clock, const QString &text)
{
    const int second = secondsOf(text).toInt();
    const int ahead = second < 30 ? 30 - second : 90 - second;
    return (floorDiv(clock.currentMSecsSinceEpoch(), 1000) + ahead) * 1000;
}
} // namespace

MainClockCycle::MainClockCycle(Wiring wiring)
    : m_w(std::move(wiring))
{ }

void MainClockCycle::Timer1_Timer()
{
    // Each step reads the clock afresh: a nested tick or a clock setting may run in between.
    Module1 &m = m_w.module1;
    const Clock &clock = m_w.clock;
    retryDeferredClockSetting();
    if (clock.localTimeText() == m.lastClockText)
        return;
    if (m_w.transmitting() && secondsOf(clock.localTimeText()) == u"30") {
        reopenLostTransmitPort();
        m_w.transmit();
    }
    if (m_w.receiving()) {
        if (hourOf(clock.localTimeText()) != hourOf(m.lastClockText))
            setClockForTheHour();
        // A window minimised for want of a tray is hidden: no minute refresh, as in the tray.
        if (secondsOf(clock.localTimeText()) == u"59" && m_w.windowShown())
            m_w.receiver.receiveIntoClockFields();
    }
    m.lastClockText = clock.localTimeText();
    // The master clock sets itself by the sentence's first byte: that second is wanted on time.
    if (m_w.transmitting())
        m_w.clock.wantOnTime(nextSentenceDue(clock, m.lastClockText));
}

void MainClockCycle::setClockForTheHour()
{
    // A search already running would turn the setting away, and setting the clock is the
    // program's one job: it is done once that search has returned.
    if (m_w.module1.receiveBusy) {
        m_deferredHour = m_w.clock.localTimeText().left(2);
        return;
    }
    reopenLostReceivePort();
    m_w.clockSetting.setOnSchedule();
    // Ticks nested in this very setting's search deferred it too; it has run now.
    m_deferredHour.clear();
}

void MainClockCycle::retryDeferredClockSetting()
{
    if (m_deferredHour.isEmpty() || m_w.module1.receiveBusy)
        return;
    const bool sameHour = m_w.clock.localTimeText().left(2) == m_deferredHour;
    m_deferredHour.clear();
    // A later hour has its own setting; receiving switched off wants none.
    if (sameHour && m_w.receiving())
        setClockForTheHour();
}

void MainClockCycle::reopenLostReceivePort()
{
    // A receiver that was missing at start-up or has been unplugged is tried again at the hour:
    // with the window hidden nothing else would open its port, and the clock would never be
    // set again. A port released in the setup dialog has no number and stays closed.
    reopenQuietly(m_w.receivePort(), m_w.module1.receivePort);
}

void MainClockCycle::reopenLostTransmitPort()
{
    // Likewise a master clock whose port went away (a USB adapter unplugged and plugged back)
    // is tried again just before each minute's sentence. With equal numbers the receive
    // port's object carries both directions and is looked after at the hour.
    const Module1 &m = m_w.module1;
    if (m.transmitPort != m.receivePort)
        reopenQuietly(m_w.transmitPort(), m.transmitPort);
}

void MainClockCycle::reopenQuietly(MSComm &port, int portNumber)
{
    // Still not there: the caller finds the port closed and does what it does then.
    if (isSelectablePort(portNumber) && !port.PortOpen())
        port.openQuietly(portNumber);
}

void MainClockCycle::Timer3_Timer()
{
    Module1 &m = m_w.module1;
    if (m_w.clock.localTimeText() == m.countdownLastTime)
        return;
    m.receiveCountdown -= 1;
    if (m.receiveCountdown < 0)
        m_w.view.setCountdownRunning(false);
    m.countdownLastTime = m_w.clock.localTimeText();
}

void MainClockCycle::Command3_Click()
{
    if (m_w.receivePort().PortOpen())
        m_w.receiver.receiveIntoClockFields();
}
