#pragma once

#include "common/BuildTime.h"
#include "common/Module1.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class Clock;
class SerialDeviceFactory;
class Form1;
class Form4;
class Form5;
class Form9;
class Form10;
class RmcReceiver;
class ClockSetting;
class MainClockCycle;
class RmcTransmitter;
class TransmissionDisplay;
class TrayIcon;
class WindowVisibility;
class MenuCommands;
class Shutdown;
class UserNotice;

// The running program: its shared state, its environment (clock, ports, folder) and its
// windows, each created hidden the first time anything touches it.
class HoroluxApp : public QObject
{
public:
    struct Environment
    {
        Clock *clock = nullptr;
        SerialDeviceFactory *ports = nullptr;
        QString executableDir;
        // Where the single-instance lock lives; empty means the user's runtime folder.
        QString runtimeDir;
        // The clock is never set to a moment before this one.
        qint64 clockFloorMSecs = buildTimeMSecs();
    };

    explicit HoroluxApp(const Environment &environment, QObject *parent = nullptr);
    ~HoroluxApp() override;

    // Creates the main window and runs its start-up sequence.
    void start();

    Module1 &module1() { return m_module1; }
    Clock &clock() const { return *m_env.clock; }
    SerialDeviceFactory &ports() const { return *m_env.ports; }
    QString executableDir() const { return m_env.executableDir; }
    QString runtimeDir() const { return m_env.runtimeDir; }
    qint64 clockFloorMSecs() const { return m_env.clockFloorMSecs; }

    // Whether the desktop shows tray icons: the window system says, unless a test has decided.
    bool hasNotificationArea() const;
    void setNotificationArea(std::optional<bool> present) { m_notificationArea = present; }

    Form1 *form1();
    Form4 *form4();
    Form5 *form5();
    Form9 *form9();
    Form10 *form10();
    bool isForm4Loaded() const { return m_form4 != nullptr; }
    bool isForm5Loaded() const { return m_form5 != nullptr; }
    bool isForm9Loaded() const { return m_form9 != nullptr; }
    bool isForm10Loaded() const { return m_form10 != nullptr; }

    RmcReceiver &receiver() { return *m_receiver; }
    ClockSetting &clockSetting() { return *m_clockSetting; }
    MainClockCycle &mainClockCycle() { return *m_mainClockCycle; }
    RmcTransmitter &transmitter() { return *m_transmitter; }
    TransmissionDisplay &transmissionDisplay() { return *m_transmissionDisplay; }
    TrayIcon &trayIcon() { return *m_trayIcon; }
    WindowVisibility &windowVisibility() { return *m_windowVisibility; }
    MenuCommands &menuCommands() { return *m_menuCommands; }
    Shutdown &shutdown() { return *m_shutdown; }
    UserNotice &userNotice() { return *m_userNotice; }

    // The program's own message box; returns when the user has dismissed it.
    void ShowMessageBox(const QString &text, int icon, int buttons, const QString &title);

    // Receive with the shared clock fields; true when this very call decoded a sentence.
    bool receiveIntoClockFields();

private:
    Module1 m_module1;
    Environment m_env;
    std::optional<bool> m_notificationArea;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form4> m_form4;
    std::unique_ptr<Form5> m_form5;
    std::unique_ptr<Form9> m_form9;
    std::unique_ptr<Form10> m_form10;
    std::unique_ptr<RmcReceiver> m_receiver;
    std::unique_ptr<ClockSetting> m_clockSetting;
    std::unique_ptr<MainClockCycle> m_mainClockCycle;
    std::unique_ptr<RmcTransmitter> m_transmitter;
    std::unique_ptr<TransmissionDisplay> m_transmissionDisplay;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<WindowVisibility> m_windowVisibility;
    std::unique_ptr<MenuCommands> m_menuCommands;
    std::unique_ptr<Shutdown> m_shutdown;
    std::unique_ptr<UserNotice> m_userNotice;
};
