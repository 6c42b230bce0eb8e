#pragma once

#include "Clock.h"

#include <QTimeZone>

// A clock that moves only when told to: for tests, benchmarks and soak runs.
class ManualClock : public Clock
{
public:
    explicit ManualClock(const QDateTime &start, QObject *parent = nullptr);

    qint64 currentMSecsSinceEpoch() const override { return m_msecs; }
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override;
    QDateTime toLocal(qint64 msecs) const override;

    void setRefuseSet(bool refuse) { m_refuseSet = refuse; }
    bool keptSynchronised() const override { return m_synchronised; }
    // Runs with advance() alone: a setting of the clock does not move it.
    qint64 steadyNanos() const override { return m_steadyMSecs * 1000 * 1000; }
    void setKeptSynchronised(bool synchronised) { m_synchronised = synchronised; }
    void setTimeZone(const QTimeZone &zone)
    {
        m_zone = zone;
        forgetLocalTimeText();
    }
    void advance(qint64 msecs);
    void setUtc(const QDateTime &utc);

    int setCount() const { return m_setCount; }
    qint64 lastSetMSecs() const { return m_lastSet; }
    void followSeconds(bool on) override { m_followed = on; }
    void wantOnTime(qint64 msecs) override { m_wantedOnTime = msecs; }
    // The last second asked for on time; 0 when none was.
    qint64 wantedOnTime() const { return m_wantedOnTime; }

private:
    // Moves the clock; followers of its seconds hear of a boundary crossed.
    void moveTo(qint64 msecs);

    qint64 m_msecs;
    qint64 m_steadyMSecs = 0;
    bool m_followed = false;
    QTimeZone m_zone = QTimeZone::utc();
    bool m_refuseSet = false;
    bool m_synchronised = false;
    int m_setCount = 0;
    qint64 m_wantedOnTime = 0;
    qint64 m_lastSet = 0;
};
