#pragma once

#include <QtGlobal>
#include <functional>

class Clock;
class MSComm;
class RmcReceiver;
struct Module1;

// "Set Time": sets the computer clock from the next sentence of the GPS receiver.
class ClockSetting
{
public:
    struct Wiring
    {
        Module1 &module1;
        Clock &clock;
        RmcReceiver &receiver;
        std::function<MSComm &()> receivePort;
        // The setup dialog's "wait until locked" option.
        std::function<bool()> waitForLock;
        // The clock is never set to a moment before this one, nor to one more than 1024 weeks
        // after it (withinClockWindow).
        qint64 clockFloorMSecs;
        // A scheduled setting found the clock kept synchronised by another service, and left it.
        std::function<void()> leftToTimeService = {};
    };

    explicit ClockSetting(Wiring wiring);

    // Asked for by the user: sets the clock whoever else keeps it.
    void Command1_Click();
    // The first tick's and every hour's setting: a clock that another service (NTP) keeps
    // synchronised is left alone, so that two masters do not undo each other's work.
    void setOnSchedule();

private:
    void setFromReceiver(bool scheduled);

    Wiring m_w;
};
