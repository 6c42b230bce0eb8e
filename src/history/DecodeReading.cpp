#include "DecodeReading.h"

qint64 clockMinusGpsMs(const DecodeReading &reading)
{
    return reading.computerMs - reading.gpsMs - reading.sinceNamedMs;
}
