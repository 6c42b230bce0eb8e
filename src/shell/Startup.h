#pragma once

#include <QObject>

class HoroluxApp;

class Startup : public QObject
{
    Q_OBJECT
public:
    explicit Startup(HoroluxApp &app);

    void run();

private:
    HoroluxApp &m_app;
};
