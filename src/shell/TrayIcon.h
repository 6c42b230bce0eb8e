#pragma once

#include <QObject>

class HoroluxApp;

class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(HoroluxApp &app);

    void add();
    void remove();
    void Form_MouseMove(int button, int shift, double x, double y);

private:
    HoroluxApp &m_app;
};
