#include "BuildTime.h"

qint64 buildTimeMSecs()
{
    return qint64(HOROLUX_BUILD_EPOCH) * 1000;
}
