#pragma once

#include <QObject>

class HoroluxApp;

// Acts as a GPS receiver towards a master clock: once a minute, at second 30, the computer's
// UTC minute goes out on the transmit port as a $GPRMC sentence and into the monitor window.
class RmcTransmitter : public QObject
{
public:
    explicit RmcTransmitter(HoroluxApp &app);

    void TransmitRmc();

private:
    HoroluxApp &m_app;
};
