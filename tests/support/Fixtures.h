#pragma once

#include "serial/MSComm.h"
#include "transmit/RmcSentence.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTimeZone>

// The receiver's example sentence: 12:35:19 UTC on 23 March 1994, valid. Its two-digit year
// reads as 2094, far beyond any build's week-number window: it is shown, never set.
inline const QByteArray kExampleSentence
    = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

// The example sentence at another UTC second and status, with its own checksum.
inline QByteArray exampleSentenceAt(const QDateTime &utc, char status = 'A')
{
    const QByteArray body = "GPRMC," + utc.toString(u"HHmmss").toLatin1() + ',' + status
        + ",4807.038,N,01131.000,E,022.4,084.4," + utc.toString(u"ddMMyy").toLatin1() + ",003.1,W";
    return '$' + body + '*' + RmcSentence::checksum(body) + "\r\n";
}

// The example's time on the test rig's first day (7 December 2026): a date the rig may set.
inline const QDateTime kSettableUtc(QDate(2026, 12, 7), QTime(12, 35, 19), QTimeZone::utc());
inline const QByteArray kSettableSentence = exampleSentenceAt(kSettableUtc);

// Opens a port as the program's own ports run: 2400 baud, no parity, 8 bits, 1 stop bit.
inline void openAt2400(MSComm &port, int number)
{
    port.setCommPort(number);
    port.setSettings(QStringLiteral("2400,N,8,1"));
    port.setPortOpen(true);
}
