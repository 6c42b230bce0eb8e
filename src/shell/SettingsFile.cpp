#include "SettingsFile.h"

SettingsFile::SettingsFile(const QString &folder)
    : m_folder(folder)
{ }

std::optional<SettingsFile::Bytes> SettingsFile::read() const
{
    return std::nullopt;
}

bool SettingsFile::write(const Bytes &) const
{
    return false;
}
