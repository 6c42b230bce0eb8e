#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Form1;
class QWidget;
class SessionEndWatcher;
class TrayIcon;
class WindowVisibility;
struct Module1;
struct SerialPorts;

// Every request to close the main window: a closing duplicate copy goes away, a close by the
// program or the system ends the program in order (settings saved, ports closed, tray icon
// removed), a close by the user only hides the window.
class Shutdown : public QObject
{
public:
    // Close reasons: 0 is the user's close box; anything else ends the program.
    enum CloseReason { UserClose = 0, CodeClose = 1, SessionEnd = 2 };
    using ProcessEnd = std::function<void(int exitCode)>;

    struct Wiring
    {
        Module1 &module1;
        std::function<Form1 *()> mainWindow;
        WindowVisibility &visibility;
        TrayIcon &tray;
        SerialPorts &ports;
        // The other windows built so far, in the order they are unloaded.
        std::function<QList<QWidget *>()> builtWindows;
        // GPSInit.ini lives here.
        QString settingsDir;
        std::function<void()> releaseSingleInstance;
    };

    explicit Shutdown(Wiring wiring);
    ~Shutdown() override;

    void Form_QueryUnload(bool &cancel, int unloadMode);
    // This copy found another one running: whatever ends it, it leaves without saving, so the
    // running copy's settings file is never overwritten.
    void markDuplicateCopy() { m_duplicateCopy = true; }
    // Unloads the main window by code (the exit command, a closing duplicate copy).
    void unloadMainWindow();

    // Termination signals and the session manager's quit end the program as "Exit" does.
    // Called once by main(); signal handlers are process-wide.
    void installSystemCloseHandlers();

    // How the process ends; the default ends it at once, wherever the exit path was reached
    // from. Tests record the call instead.
    void setProcessEnd(ProcessEnd end) { m_processEnd = std::move(end); }

private:
    void closeMainWindow(int reason);
    void runExitPath();
    void writeSettings();
    void closePorts();
    void unloadOtherWindows();

    Wiring m_w;
    ProcessEnd m_processEnd;
    bool m_exiting = false;
    bool m_duplicateCopy = false;
    std::unique_ptr<SessionEndWatcher> m_sessionEnd;
};
