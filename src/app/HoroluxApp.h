#pragma once

#include "common/BuildTime.h"
#include "common/Module1.h"
#include "serial/SerialPorts.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class Clock;
class ClockMasterProbe;
class ClockMasterWatch;
class ClockSetting;
class DelayMeasurement;
class Form1;
class Form4;
class Form5;
class Form9;
class Form10;
class HistoryFeed;
class HistoryRecord;
class HistoryWindow;
struct RmcDecode;
class MainClockCycle;
class MenuCommands;
class SetupCommands;
class Shutdown;
class SingleInstance;
class TransmissionDisplay;
class TrayIcon;
class UserNotice;
class WindowVisibility;
class QWidget;
class SerialDeviceFactory;
class PortMap;
class RmcReceiver;
class RmcTransmitter;
class MainWindowReceiverView;
class MainWindowSetupHost;

// The composition root: the program's shared state, its environment (clock, ports, folder), its
// windows, each created hidden the first time anything touches it, and the parts that hand each
// other what they need.
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
        // The clock is never set to a moment before this one, nor 1024 weeks after it.
        qint64 clockFloorMSecs = buildTimeMSecs();
        // Looks for another service keeping the clock at the first setting; none in tests.
        ClockMasterProbe *clockMasters = nullptr;
        // Where the settings live (InstallLayout::settingsDir); empty means executableDir.
        QString settingsDir;
        // Where history.csv lives (InstallLayout::stateDir); empty means the settings folder.
        QString stateDir;
    };

    explicit HoroluxApp(const Environment &environment, QObject *parent = nullptr);
    ~HoroluxApp() override;

    // Runs the main window's start-up sequence; the window is built by its first step that
    // touches it, after the tray icon is up.
    void start();

    Module1 &module1() { return m_module1; }
    Clock &clock() const { return *m_env.clock; }
    SerialDeviceFactory &portDevices() const { return *m_env.ports; }
    // The serial ports: opened at start-up and closed at the exit whether or not the setup
    // dialog was ever built.
    SerialPorts &ports() { return m_ports; }
    QString executableDir() const { return m_env.executableDir; }
    // GPSInit.ini, ports.conf and ports/ live here (see InstallLayout).
    QString settingsDir() const;
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
    bool isForm1Loaded() const { return m_form1 != nullptr; }
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

    // The single-instance lock lasts as long as the program holds it here.
    void holdSingleInstance(std::unique_ptr<SingleInstance> lock);
    HistoryRecord &historyRecord() { return *m_historyRecord; }
    // Opens the history window, building it and reading the record first when it is not open.
    void showHistory();
    // The history window while it is open, else null.
    HistoryWindow *historyWindow() const;
    void releaseSingleInstance();
    SingleInstance *singleInstance() const { return m_singleInstance.get(); }

private:
    void buildShell();
    void feedHistory();
    void recordDecode(const RmcDecode &decode);
    QList<QWidget *> builtWindows() const;
    bool anyTalkerOnReceivePort();
    MSComm &receivePort() { return m_ports.MSComm1; }
    MSComm &transmitPort() { return m_ports.MSComm2; }
    void showOnMonitor(const QString &text);

    Module1 m_module1;
    Environment m_env;
    SerialPorts m_ports;
    std::optional<bool> m_notificationArea;
    // Only appended to until the user opens the window.
    std::unique_ptr<HistoryRecord> m_historyRecord;
    std::unique_ptr<HistoryFeed> m_historyFeed;
    QPointer<HistoryWindow> m_historyWindow;
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
    std::unique_ptr<DelayMeasurement> m_delayMeasurement;
    std::unique_ptr<ClockSetting> m_clockSetting;
    std::unique_ptr<RmcTransmitter> m_transmitter;
    std::unique_ptr<MainClockCycle> m_mainClockCycle;
    std::unique_ptr<TransmissionDisplay> m_transmissionDisplay;
    std::unique_ptr<WindowVisibility> m_windowVisibility;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<Shutdown> m_shutdown;
    std::unique_ptr<SetupCommands> m_setupCommands;
    std::unique_ptr<MenuCommands> m_menuCommands;
    std::unique_ptr<UserNotice> m_userNotice;
    std::unique_ptr<ClockMasterWatch> m_clockMasterWatch;
    // Read again only when the file changed, not at every search.
    std::unique_ptr<PortMap> m_portMap;
};
