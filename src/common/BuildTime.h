#pragma once

#include <QtGlobal>

// When this program was built, in milliseconds since 1970 UTC: the time it was configured, or
// SOURCE_DATE_EPOCH for a reproducible build. A correct clock never reads earlier than this.
qint64 buildTimeMSecs();
