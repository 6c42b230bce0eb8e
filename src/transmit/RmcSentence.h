#pragma once

#include "common/SystemTime.h"

#include <QByteArray>
#include <QByteArrayView>

// The simulated receiver's $GPRMC sentence: a fixed position with a valid fix, stamped with a
// UTC minute at second 30.
namespace RmcSentence {

// The whole sentence, "$" to CR LF. Only the year, month, day, hour and minute are read.
QByteArray build(const SYSTEMTIME &utc);

// Two upper-case hex digits: the XOR of every character of the body (between "$" and "*").
QByteArray checksum(QByteArrayView body);

} // namespace RmcSentence
