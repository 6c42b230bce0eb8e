#pragma once

#include "common/Module1.h"

#include <QString>
#include <memory>

class ClockSetting;
class Clock;
class Form1;
class Form4;
class Form5;
class Form9;
class Form10;
class MainClockCycle;
class MenuCommands;
class Shutdown;
class SingleInstance;
class TransmissionDisplay;
class TrayIcon;
class UserNotice;
class WindowVisibility;

// What the shell's windows and commands reach: the shared state, the windows (each created on
// first touch) and the shell's own parts. The composition root implements it, so the shell never
// names the root.
class ShellContext
{
public:
    virtual ~ShellContext() = default;

    virtual Module1 &module1() = 0;
    virtual Clock &clock() const = 0;
    virtual QString executableDir() const = 0;
    // GPSInit.ini, ports.conf and ports/ live here (see InstallLayout).
    virtual QString settingsDir() const = 0;
    virtual QString runtimeDir() const = 0;
    virtual bool hasNotificationArea() const = 0;

    virtual Form1 *form1() = 0;
    virtual Form4 *form4() = 0;
    virtual Form5 *form5() = 0;
    virtual Form9 *form9() = 0;
    virtual Form10 *form10() = 0;
    // Form5 as the home of the serial ports and the wait-for-lock option, created as by form5()
    // but without building its controls: start-up and exit need no more.
    virtual Form5 *form5Ports() = 0;
    virtual bool isForm1Loaded() const = 0;
    virtual bool isForm4Loaded() const = 0;
    virtual bool isForm5Loaded() const = 0;
    virtual bool isForm9Loaded() const = 0;
    virtual bool isForm10Loaded() const = 0;

    virtual ClockSetting &clockSetting() = 0;
    virtual MainClockCycle &mainClockCycle() = 0;
    virtual TransmissionDisplay &transmissionDisplay() = 0;
    virtual TrayIcon &trayIcon() = 0;
    virtual WindowVisibility &windowVisibility() = 0;
    virtual MenuCommands &menuCommands() = 0;
    virtual Shutdown &shutdown() = 0;
    virtual UserNotice &userNotice() = 0;

    // The program's own message box; returns when the user has dismissed it.
    virtual void ShowMessageBox(const QString &text, int icon, int buttons, const QString &title)
        = 0;
    // Receive with the shared clock fields; true when this very call decoded a sentence.
    virtual bool receiveIntoClockFields() = 0;

    // The single-instance lock lasts as long as the program holds it here.
    virtual void holdSingleInstance(std::unique_ptr<SingleInstance> lock) = 0;
    virtual void releaseSingleInstance() = 0;
};
