#pragma once

#include "platform/SystemClock.h"

// The machine's time, never set: nothing a benchmark does may move the machine's clock. Its
// seconds turn with the machine's, so the machine's clock wakes its followers.
class ReadOnlyClock : public Clock
{
public:
    ReadOnlyClock() { connect(&m_real, &Clock::secondBegan, this, &Clock::secondBegan); }
    qint64 currentMSecsSinceEpoch() const override { return m_real.currentMSecsSinceEpoch(); }
    bool setCurrentMSecsSinceEpoch(qint64) override { return false; }
    QDateTime toLocal(qint64 msecs) const override { return m_real.toLocal(msecs); }
    QTime localTimeOfDay(qint64 msecs) const override { return m_real.localTimeOfDay(msecs); }
    void prepareNextSecond() const override { m_real.prepareNextSecond(); }
    void wantOnTime(qint64 msecs) override { m_real.wantOnTime(msecs); }
    void followSeconds(bool on) override { m_real.followSeconds(on); }

protected:
    SystemClock m_real;
};
