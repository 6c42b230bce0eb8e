#pragma once

#include <QLoggingCategory>

// What the program tells on standard error. Qt's default message pattern puts the category's
// name in front, so every line reads "horolux: ...".
Q_DECLARE_LOGGING_CATEGORY(lcHorolux)
