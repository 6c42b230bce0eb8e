#include "Log.h"

Q_LOGGING_CATEGORY(lcHorolux, "horolux")
