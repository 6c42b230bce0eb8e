#include "VersionInfo.h"

VersionInfo VersionInfo::program()
{
    VersionInfo info;
    info.Major = HOROLUX_VERSION_MAJOR;
    info.Minor = HOROLUX_VERSION_MINOR;
    info.Revision = HOROLUX_VERSION_PATCH;
    info.LegalCopyright = QStringLiteral("Copyright \u00A9 2026 Tallowmere Clockworks");
    return info;
}
