#pragma once

#include "receive/ReceiverView.h"
#include "setup/SetupHost.h"

class HoroluxApp;

// The receive routine's display: the GPS clock, the lock indicator, "Set Time" and the search
// countdown of the main window, which is created on first touch.
class MainWindowReceiverView : public ReceiverView
{
public:
    explicit MainWindowReceiverView(HoroluxApp &app);

    bool acceptsInput() override;
    void showSearching() override;
    void showSearchRunningOut() override;
    void showDecoded(const QString &text, const QString &date, bool locked) override;
    void showNotFound() override;
    void setCountdownRunning(bool running) override;

private:
    HoroluxApp &m_app;
};

// The setup dialog's way back to the main window, its status panels and the user.
class MainWindowSetupHost : public SetupHost
{
public:
    explicit MainWindowSetupHost(HoroluxApp &app);

    void handBack() override;
    void showPorts(const Module1 &m) override;
    void showMessageBox(const QString &text, int icon, int buttons, const QString &title) override;
    void reportReceivePortDenied(const QString &stderrLine) override;

private:
    HoroluxApp &m_app;
};
