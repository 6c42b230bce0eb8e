#pragma once

#include "serial/MSComm.h"

#include <QByteArray>

// The receiver's example sentence: 12:35:19 UTC on 23 March 1994, valid.
inline const QByteArray kExampleSentence
    = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

// Opens a port as the program's own ports run: 2400 baud, no parity, 8 bits, 1 stop bit.
inline void openAt2400(MSComm &port, int number)
{
    port.setCommPort(number);
    port.setSettings(QStringLiteral("2400,N,8,1"));
    port.setPortOpen(true);
}
