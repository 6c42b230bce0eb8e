#pragma once

#include <QObject>

class HoroluxApp;

// The main window's load handler: everything the program does before it settles in the tray.
class Startup : public QObject
{
public:
    explicit Startup(HoroluxApp &app);

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

    HoroluxApp &m_app;
};
