#pragma once

#include "common/BuildTime.h"
#include "common/Module1.h"
#include "shell/ShellContext.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class Clock;
class ClockMasterProbe;
class SerialDeviceFactory;
class MSComm;
class PortMap;
class RmcReceiver;
class RmcTransmitter;
class MainWindowReceiverView;
class MainWindowSetupHost;

// The composition root: the program's shared state, its environment (clock, ports, folder), its
// windows, each created hidden the first time anything touches it, and the parts that hand each
// other what they need.
class HoroluxApp : public QObject, public ShellContext
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
        // Looks for another service keeping the clock at the first setting; none in tests.
        ClockMasterProbe *clockMasters = nullptr;
        // Where the settings live (InstallLayout::settingsDir); empty means executableDir.
        QString settingsDir;
    };

    explicit HoroluxApp(const Environment &environment, QObject *parent = nullptr);
    ~HoroluxApp() override;

    // Runs the main window's start-up sequence; the window is built by its first step that
    // touches it, after the tray icon is up.
    void start();

    Module1 &module1() override { return m_module1; }
    Clock &clock() const override { return *m_env.clock; }
    SerialDeviceFactory &ports() const { return *m_env.ports; }
    QString executableDir() const override { return m_env.executableDir; }
    QString settingsDir() const override;
    QString runtimeDir() const override { return m_env.runtimeDir; }
    qint64 clockFloorMSecs() const { return m_env.clockFloorMSecs; }

    // Whether the desktop shows tray icons: the window system says, unless a test has decided.
    bool hasNotificationArea() const override;
    void setNotificationArea(std::optional<bool> present) { m_notificationArea = present; }

    Form1 *form1() override;
    Form4 *form4() override;
    Form5 *form5() override;
    Form9 *form9() override;
    Form10 *form10() override;
    Form5 *form5Ports() override;
    bool isForm1Loaded() const override { return m_form1 != nullptr; }
    bool isForm4Loaded() const override { return m_form4 != nullptr; }
    bool isForm5Loaded() const override { return m_form5 != nullptr; }
    bool isForm9Loaded() const override { return m_form9 != nullptr; }
    bool isForm10Loaded() const override { return m_form10 != nullptr; }

    RmcReceiver &receiver() { return *m_receiver; }
    ClockSetting &clockSetting() override { return *m_clockSetting; }
    MainClockCycle &mainClockCycle() override { return *m_mainClockCycle; }
    RmcTransmitter &transmitter() { return *m_transmitter; }
    TransmissionDisplay &transmissionDisplay() override { return *m_transmissionDisplay; }
    TrayIcon &trayIcon() override { return *m_trayIcon; }
    WindowVisibility &windowVisibility() override { return *m_windowVisibility; }
    MenuCommands &menuCommands() override { return *m_menuCommands; }
    Shutdown &shutdown() override { return *m_shutdown; }
    UserNotice &userNotice() override { return *m_userNotice; }

    void ShowMessageBox(const QString &text, int icon, int buttons, const QString &title) override;
    bool receiveIntoClockFields() override;

    void holdSingleInstance(std::unique_ptr<SingleInstance> lock) override;
    void releaseSingleInstance() override;
    SingleInstance *singleInstance() const { return m_singleInstance.get(); }

private:
    void watchForOtherClockMasters();
    bool anyTalkerOnReceivePort();
    MSComm &receivePort();
    MSComm &transmitPort();
    void showOnMonitor(const QString &text);

    Module1 m_module1;
    Environment m_env;
    std::optional<bool> m_notificationArea;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form4> m_form4;
    QString m_monitorText; // for the monitor window not built yet
    std::unique_ptr<Form5> m_form5;
    std::unique_ptr<Form9> m_form9;
    std::unique_ptr<Form10> m_form10;
    std::unique_ptr<MainWindowReceiverView> m_receiverView;
    std::unique_ptr<MainWindowSetupHost> m_setupHost;
    std::unique_ptr<RmcReceiver> m_receiver;
    std::unique_ptr<ClockSetting> m_clockSetting;
    std::unique_ptr<RmcTransmitter> m_transmitter;
    std::unique_ptr<MainClockCycle> m_mainClockCycle;
    std::unique_ptr<TransmissionDisplay> m_transmissionDisplay;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<WindowVisibility> m_windowVisibility;
    std::unique_ptr<MenuCommands> m_menuCommands;
    std::unique_ptr<Shutdown> m_shutdown;
    std::unique_ptr<UserNotice> m_userNotice;
    // Read again only when the file changed, not at every search.
    std::unique_ptr<PortMap> m_portMap;
};
