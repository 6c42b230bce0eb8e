#pragma once

#include <QtGlobal>

// Where the receiver's delay is known, a clock setting writes the moment the sentence stands
// for now, not the whole second it names: that second, plus how long after it the receiver
// began to send, plus the sentence's own time on the line, plus the time since its last
// character was read.
namespace SettingMoment {

// 10 bits a character (start, 8 data, stop). 0 when the line's speed is unknown.
qint64 transitNanos(int characters, int baud);

// The moment to write, in milliseconds since 1970 UTC, rounded to the nearest.
qint64 correctedMSecs(qint64 namedSecondMSecs, int delayMillis, int characters, int baud,
    qint64 nanosSinceLastCharacter);

} // namespace SettingMoment
