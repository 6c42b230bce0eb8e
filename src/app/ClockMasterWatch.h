#pragma once

#include <QObject>
#include <QString>

class Clock;
class ClockMasterProbe;
class UserNotice;

// Another service keeping this computer's clock: looked for once, at the first setting, and told
// to the user by the name the user knows it by.
class ClockMasterWatch : public QObject
{
public:
    // Without a probe nothing is looked for, and a setting left to a service names none.
    ClockMasterWatch(Clock &clock, ClockMasterProbe *probe, UserNotice &notice);

    // A scheduled setting left the clock to the service that keeps it: the user hears why.
    void leaveClockToTimeService();

private:
    void tellClockLeftToTimeService();

    Clock &m_clock;
    ClockMasterProbe *m_probe;
    UserNotice &m_notice;
    // The other service found keeping the clock, by the name the user knows it by.
    QString m_otherClockMaster;
    // How long the probe may take to name that service before the user is told without it.
    static constexpr int kProbeAnswerMs = 2000;
};
