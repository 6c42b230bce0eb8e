#pragma once

#include <QString>

struct Module1;

// What the setup dialog needs from the program around it.
class SetupHost
{
public:
    virtual ~SetupHost() = default;

    // The dialog is done with: the main window takes input again.
    virtual void handBack() = 0;
    // The status panels name the ports now assigned.
    virtual void showPorts(const Module1 &m) = 0;
    // The program's own message box; returns when the user has dismissed it.
    virtual void showMessageBox(const QString &text, int icon, int buttons, const QString &title)
        = 0;
    // The receiver's device refused access: the user has to act.
    virtual void reportReceivePortDenied(const QString &stderrLine) = 0;
};
