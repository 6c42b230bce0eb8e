#pragma once

#include <QObject>

class HoroluxApp;

class Shutdown : public QObject
{
    Q_OBJECT
public:
    explicit Shutdown(HoroluxApp &app);

    void Form_QueryUnload(bool &cancel, int unloadMode);
    // Unloads the main window by code (the exit command, a closing duplicate copy).
    void unloadMainWindow();

private:
    HoroluxApp &m_app;
};
