#pragma once

#include <QObject>

class HoroluxApp;

class TransmissionDisplay : public QObject
{
    Q_OBJECT
public:
    explicit TransmissionDisplay(HoroluxApp &app);

    void Timer4_Timer();

private:
    HoroluxApp &m_app;
};
