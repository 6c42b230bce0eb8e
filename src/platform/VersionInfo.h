#pragma once

#include <QString>

// The program's own version data: the numbers the build was made with and the copyright text.
struct VersionInfo
{
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
    QString LegalCopyright;

    static VersionInfo program();
};
