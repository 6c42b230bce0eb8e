#pragma once

#include <QObject>

class HoroluxApp;

class RmcTransmitter : public QObject
{
    Q_OBJECT
public:
    explicit RmcTransmitter(HoroluxApp &app);

    void TransmitRmc();

private:
    HoroluxApp &m_app;
};
