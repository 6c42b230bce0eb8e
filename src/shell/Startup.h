#pragma once

#include <QObject>

class ShellContext;

// The main window's load handler (Form_Load): everything the program does before it settles in
// the tray. It runs before the main window is built; the first step that touches it builds it.
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
