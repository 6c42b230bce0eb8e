#pragma once

#include <QObject>

class Form4;
class HoroluxApp;

// Once a second: the computer clock in the main window and, while the monitor is open, the
// countdown to the next sentence and the clearing of the last one.
class TransmissionDisplay : public QObject
{
public:
    explicit TransmissionDisplay(HoroluxApp &app);

    void Timer4_Timer();

    // Seconds from the given second of the minute until the clock next shows second 30.
    static int secondsToTransmission(int second);

private:
    static void showCountdown(Form4 &monitor, int second);

    HoroluxApp &m_app;
};
