#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Form1;
class Shutdown;
class SingleInstance;
class TrayIcon;
class UserNotice;
class WindowVisibility;
struct Module1;
struct SerialPorts;

// The main window's load handler (Form_Load): everything the program does before it settles in
// the tray. It runs before the main window is built; the first step that touches it builds it.
class Startup : public QObject
{
public:
    struct Wiring
    {
        Module1 &module1;
        QString executableDir;
        // Where the single-instance lock lives; empty means the user's runtime folder.
        QString runtimeDir;
        // GPSInit.ini lives here.
        QString settingsDir;
        std::function<Form1 *()> mainWindow;
        SerialPorts &ports;
        TrayIcon &tray;
        WindowVisibility &visibility;
        Shutdown &shutdown;
        UserNotice &notice;
        std::function<bool()> hasNotificationArea;
        // The program's own message box; returns when the user has dismissed it.
        std::function<void(const QString &text, int icon, int buttons, const QString &title)>
            showMessageBox;
        // The lock lasts as long as the program holds it there.
        std::function<void(std::unique_ptr<SingleInstance>)> holdSingleInstance;
    };

    explicit Startup(Wiring wiring);

    void run();

    // What a second copy says before it closes itself.
    static QString duplicateInstanceText();

private:
    bool takeSingleInstanceLock();
    void runDuplicateInstancePath();
    void setUpHelp();
    void sizeAndCentre();
    void applySettings();
    void checkSettingsCanBeSaved();
    void openReceivePort();
    void openTransmitPort();
    void revealWithoutNotificationArea();

    Wiring m_w;
};
