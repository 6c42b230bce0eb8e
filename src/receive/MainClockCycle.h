#pragma once

#include <QString>

class HoroluxApp;
class MSComm;

// The once-a-second schedule: the second-30 sentence, the hourly clock setting and the
// second-59 display refresh; also the receive countdown and the "Search" button.
class MainClockCycle
{
public:
    explicit MainClockCycle(HoroluxApp &app);

    void Timer1_Timer();
    void Timer3_Timer();
    void Command3_Click();

private:
    void setClockForTheHour();
    void retryDeferredClockSetting();
    void reopenLostReceivePort();
    void reopenLostTransmitPort();
    static void reopenQuietly(MSComm &port, int portNumber);

    HoroluxApp &m_app;
    // The hour ("hh") whose setting found a search running; empty when none waits.
    QString m_deferredHour;
};
