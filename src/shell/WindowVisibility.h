#pragma once

#include <QObject>
#include <functional>

class Form1;
class Form4;
class TransmissionDisplay;

// Shows and hides the main window: the tray's double click, "Hide", the menu entry and the
// window's close box all come here.
class WindowVisibility : public QObject
{
public:
    struct Wiring
    {
        std::function<Form1 *()> mainWindow;
        // The transmission monitor once it has been built, else null.
        std::function<Form4 *()> builtMonitor;
        TransmissionDisplay &display;
        // One receive search into the clock fields, which refreshes the GPS display.
        std::function<void()> refreshReceiver;
        std::function<bool()> hasNotificationArea;
    };

    explicit WindowVisibility(Wiring wiring);

    // Hides a shown main window, shows a hidden one; the menu entry names the next action.
    void menuMenuHide_Click();

    // Shown means on the screen: a window minimized for want of a tray counts as hidden.
    static bool isShown(const Form1 *form);

private:
    void show(Form1 *form);
    void hide(Form1 *form);

    Wiring m_w;
};
