#pragma once

#include <QString>
#include <functional>

class Clock;
class ClockSetting;
class MSComm;
class ReceiverView;
class RmcReceiver;
struct Module1;

// The once-a-second schedule: the second-30 sentence, the hourly clock setting and the
// second-59 display refresh; also the receive countdown and the "Search" button.
class MainClockCycle
{
public:
    struct Wiring
    {
        Module1 &module1;
        Clock &clock;
        RmcReceiver &receiver;
        ClockSetting &clockSetting;
        ReceiverView &view;
        std::function<MSComm &()> receivePort;
        std::function<MSComm &()> transmitPort;
        // "SetUp / Receive" and "SetUp / Transmit" are checked.
        std::function<bool()> receiving;
        std::function<bool()> transmitting;
        // The main window is on the screen.
        std::function<bool()> windowShown;
        // Sends this minute's sentence.
        std::function<void()> transmit;
    };

    explicit MainClockCycle(Wiring wiring);

    void Timer1_Timer();
    void Timer3_Timer();
    void Command3_Click();

private:
    void setClockForTheHour();
    void retryDeferredClockSetting();
    void reopenLostReceivePort();
    void reopenLostTransmitPort();
    static void reopenQuietly(MSComm &port, int portNumber);

    Wiring m_w;
    // The hour ("hh") whose setting found a search running; empty when none waits.
    QString m_deferredHour;
};
