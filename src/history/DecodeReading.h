#pragma once

#include <QtGlobal>

// One sentence of the receiver as the record sees it: when the computer decoded it, what GPS
// time it names and whether the receiver reported a fix (status A).
struct DecodeReading
{
    // The computer clock's reading when the sentence was decoded.
    qint64 computerMs = 0;
    // The moment the sentence names, a whole second of GPS time (UTC).
    qint64 gpsMs = 0;
    bool locked = false;
};

// The computer clock minus GPS time: the one place that says how far the computer's clock is
// off. It takes the sentence's time as the moment of its decode, so it still includes the
// receiver's delay and the line's transit.
qint64 clockMinusGpsMs(const DecodeReading &reading);
