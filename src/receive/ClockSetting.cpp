#include "ClockSetting.h"

#include "RmcReceiver.h"
#include "SettingMoment.h"
#include "common/BuildTime.h"
#include "common/Module1.h"
#include "platform/Clock.h"
#include "serial/MSComm.h"

#include <utility>

namespace {
void loadClockFields(Module1 &m, const SYSTEMTIME &st)
{
    m.gpsYear = qint16(st.wYear);
    m.gpsMonth = qint16(st.wMonth);
    m.gpsDayOfWeek = qint16(st.wDayOfWeek);
    m.gpsDay = qint16(st.wDay);
    m.gpsHour = qint16(st.wHour);
    m.gpsMinute = qint16(st.wMinute);
    m.gpsSecond = qint16(st.wSecond);
    m.gpsMilliseconds = qint16(st.wMilliseconds);
}

SYSTEMTIME clockFields(const Module1 &m)
{
    return SYSTEMTIME {quint16(m.gpsYear), quint16(m.gpsMonth), quint16(m.gpsDayOfWeek),
        quint16(m.gpsDay), quint16(m.gpsHour), quint16(m.gpsMinute), quint16(m.gpsSecond),
        quint16(m.gpsMilliseconds)};
}
} // namespace

ClockSetting::ClockSetting(Wiring wiring)
    : m_w(std::move(wiring))
{ }

void ClockSetting::Command1_Click()
{
    setFromReceiver(false);
}

void ClockSetting::setOnSchedule()
{
    setFromReceiver(true);
}

void ClockSetting::setFromReceiver(bool scheduled)
{
    Module1 &m = m_w.module1;
    if (!m_w.receivePort().PortOpen())
        return;
    m.systemTime = m_w.clock.GetSystemTime();
    loadClockFields(m, m.systemTime);
    // Only a sentence decoded by this very call may set the clock: writing back the time read
    // above after a failed search would move the clock back by the length of the search.
    if (!m_w.receiver.receiveForClockSetting())
        return;
    // Waiting for a lock asks the receiver to vouch for this very sentence: an earlier lock
    // says nothing about it, and a program left in the tray has no earlier decode at all.
    if (m_w.waitForLock() && !m.gpsLocked)
        return;
    // A receiver with the week-number fault names a date about twenty years back; one that
    // reads its two-digit year in the wrong century, or starts cold at the GPS epoch, names
    // one decades ahead. Neither is the time.
    const SYSTEMTIME decoded = clockFields(m);
    const auto at = msecsFromSystemTime(decoded);
    if (!at || !withinClockWindow(*at, m_w.clockFloorMSecs))
        return;
    // Asked afresh at each setting: the service may have started or stopped since the last.
    if (scheduled && m_w.clock.keptSynchronised()) {
        if (m_w.leftToTimeService)
            m_w.leftToTimeService();
        return;
    }
    m.systemTime = decoded;
    // With the receiver's delay given for the port, the moment the sentence stands for now.
    MSComm &port = m_w.receivePort();
    if (const std::optional<int> delay = port.receiverDelayMillis()) {
        const RmcReceiver::Arrival &arrival = m_w.receiver.lastArrival();
        m.systemTime
            = systemTimeFromMSecs(SettingMoment::correctedMSecs(*at, *delay, arrival.characters,
                port.baudRate(), m_w.clock.steadyNanos() - arrival.lastCharacterNanos));
    }
    m_w.clock.SetSystemTime(m.systemTime);
}
