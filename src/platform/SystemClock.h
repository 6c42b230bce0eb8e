#pragma once

#include "Clock.h"

#include <limits>
#include <memory>
#include <optional>

class ClockHelper;
class DescriptorWatch;

// The computer's real-time clock. Real root sets it directly; everyone else through the
// clock-setting helper, which alone holds the right to set it.
class SystemClock : public Clock
{
public:
    // helperProgram: the helper to use when not root (ClockHelper::find); empty if there is none.
    explicit SystemClock(const QString &helperProgram = {}, QObject *parent = nullptr);
    // Sets the clock through this helper whoever runs the program (for tests).
    explicit SystemClock(std::unique_ptr<ClockHelper> helper, QObject *parent = nullptr);
    ~SystemClock() override;

    // One timerfd on the real-time clock, due at each whole second: it wakes at the second
    // itself, where millisecond timers wake a millisecond or two late.
    void followSeconds(bool on) override;

    qint64 currentMSecsSinceEpoch() const override;
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override;
    bool lastRefusalWantsRight() const override { return !m_lastRefusalBusy; }
    QDateTime toLocal(qint64 msecs) const override;
    QTime localTimeOfDay(qint64 msecs) const override;
    // The kernel's own word: only a time service clears its unsynchronised state.
    bool keptSynchronised() const override;
    // The time zone of a minute about to begin is looked up ahead, after the last second's work.
    void prepareNextSecond() const override;
    // Looks the time zone up now for the minute of `msecs`, yet to come.
    void lookUpZoneAhead(qint64 msecs) const;
    // When `msecs` is the next second: wakes a little before it and waits for its start in
    // a precise sleep, where a wake-up through the event loop comes a tenth of a millisecond
    // or more late.
    void wantOnTime(qint64 msecs) override;

private:
    QString setDirectly(qint64 msecs);
    void armForNextSecond();
    void armEarlyForNextSecond();
    void sleepUntilSecondDue() const;
    void onSecondDue();
    void lookUpZoneFor(qint64 msecs) const;
    bool toLocalFields(qint64 msecs, tm &local) const;

    std::unique_ptr<ClockHelper> m_helper;
    bool m_refusalReported = false;
    bool m_lastRefusalBusy = false;
    int m_secondFd = -1;
    qint64 m_secondDue = 0;
    bool m_wakingEarly = false;
    // A minute for which the time zone was looked up, and the offset from UTC that gives every
    // second of it, when one does.
    struct ZoneMinute
    {
        qint64 minute = std::numeric_limits<qint64>::min();
        std::optional<long> offset;
    };
    static ZoneMinute lookUpZone(qint64 minute);

    mutable ZoneMinute m_zone;
    // Looked up ahead for the minute after m_zone's (see lookUpZoneAhead).
    mutable ZoneMinute m_nextZone;
    std::unique_ptr<DescriptorWatch> m_secondWatch;
};
