#pragma once

#include <QObject>
#include <functional>

class Form4;
class Clock;
struct Module1;

// Once a second: the computer clock in the main window and, while the monitor is open, the
// countdown to the next sentence and the clearing of the last one.
class TransmissionDisplay : public QObject
{
public:
    // showClock gets the computer's time and date as the main window shows them; the monitor
    // is created on first touch.
    TransmissionDisplay(Module1 &module1, Clock &clock,
        std::function<void(const QString &time, const QString &date)> showClock,
        std::function<Form4 *()> monitor, std::function<bool()> monitorShown,
        std::function<bool()> mainWindowShown);

    // Does nothing while neither the main window nor the monitor is on the screen: whoever
    // shows one calls refresh() first.
    void Timer4_Timer();
    bool hasNothingToShow() const { return !m_mainWindowShown() && !m_monitorShown(); }
    // Brings the clock box and the countdown up to date, for a window about to be shown.
    void refresh();

    // Seconds from the given second of the minute until the clock next shows second 30.
    static int secondsToTransmission(int second);

private:
    void show(const QDateTime &now);
    static void showCountdown(Form4 &monitor, int second);

    Module1 &m_module1;
    Clock &m_clock;
    std::function<void(const QString &, const QString &)> m_showClock;
    std::function<Form4 *()> m_monitor;
    std::function<bool()> m_monitorShown;
    std::function<bool()> m_mainWindowShown;
};
