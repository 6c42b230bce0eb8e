#pragma once

#include <QObject>

class ShellContext;

// The main window's load handler: everything the program does before it settles in the tray.
class Startup : public QObject
{
public:
    explicit Startup(ShellContext &app);

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

    ShellContext &m_app;
};
