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
    // How far GPS time had moved on from that second when the clock was read: the receiver's
    // delay where the user gave it, the line's transit and the time since the last character.
    qint64 sinceNamedMs = 0;
};

// The computer clock minus GPS time: the one place that says how far the computer's clock is
// off, with GPS time taken as the named second plus what it had moved on by.
qint64 clockMinusGpsMs(const DecodeReading &reading);
