#pragma once

#include <QString>

// What the receive routine shows of its work. The main window implements it; the routine
// never touches a window itself.
class ReceiverView
{
public:
    virtual ~ReceiverView() = default;

    // A search starts only while the window takes input.
    virtual bool acceptsInput() = 0;
    virtual void showSearching() = 0;
    // Fewer than four seconds of the search are left.
    virtual void showSearchRunningOut() = 0;
    virtual void showDecoded(const QString &text, const QString &date, bool locked) = 0;
    virtual void showNotFound() = 0;
    // The once-a-second countdown of the search.
    virtual void setCountdownRunning(bool running) = 0;
};
