#pragma once

#include "common/SystemTime.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class Clock;
class MSComm;
struct Module1;

// Acts as a GPS receiver towards a master clock: once a minute, at second 30, the computer's
// UTC minute goes out on the transmit port as a $GPRMC sentence and into the monitor window.
class RmcTransmitter : public QObject
{
public:
    struct Wiring
    {
        Module1 &module1;
        Clock &clock;
        // The ports are fetched at each sentence: their dialog is created on first touch.
        std::function<MSComm &()> receivePort;
        std::function<MSComm &()> transmitPort;
        // Puts the text into the monitor window's box, or keeps it for the window's creation.
        std::function<void(const QString &)> showOnMonitor;
        // Told of each sentence that went out on the port, with the time it names.
        std::function<void(const SYSTEMTIME &)> sent = {};
        // The master clock took no sentence for a while and the waiting ones were dropped;
        // the line names the port.
        std::function<void(const QString &)> outputDropped;
    };

    // What may wait unsent for a master clock that stopped reading: about a dozen sentences.
    static constexpr int kMaxWaitingOutput = 1024;

    explicit RmcTransmitter(Wiring wiring);

    void TransmitRmc();

private:
    QByteArray sentenceFor(const SYSTEMTIME &utc) const;
    void boundWaitingOutput(MSComm &port, qsizetype adding);
    void prepareNextMinute(const SYSTEMTIME &utc);

    Wiring m_w;
    // The next minute's sentence, made after this minute's left.
    SYSTEMTIME m_preparedFor {};
    QByteArray m_prepared;
};
