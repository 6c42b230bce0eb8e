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
    };

    explicit ClockSetting(Wiring wiring);

    void Command1_Click();

private:
    Wiring m_w;
};
