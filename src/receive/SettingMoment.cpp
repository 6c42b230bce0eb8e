#include "SettingMoment.h"

namespace {
constexpr qint64 kNanosPerMilli = 1000 * 1000;
constexpr qint64 kNanosPerSecond = 1000 * kNanosPerMilli;
constexpr qint64 kBitsPerCharacter = 10;
} // namespace

qint64 SettingMoment::transitNanos(int characters, int baud)
{
    if (baud <= 0 || characters <= 0)
        return 0;
    return characters * kBitsPerCharacter * kNanosPerSecond / baud;
}

qint64 SettingMoment::correctedMSecs(qint64 namedSecondMSecs, int delayMillis, int characters,
    int baud, qint64 nanosSinceLastCharacter)
{
    const qint64 extraNanos = delayMillis * kNanosPerMilli + transitNanos(characters, baud)
        + qMax<qint64>(0, nanosSinceLastCharacter);
    return namedSecondMSecs + (extraNanos + kNanosPerMilli / 2) / kNanosPerMilli;
}
