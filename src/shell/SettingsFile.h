#pragma once

#include <QString>
#include <array>
#include <optional>

// The three-byte settings file "GPSInit.ini" in the settings folder: receive port, wait-for-lock
// flag, transmit port.
class SettingsFile
{
public:
    using Bytes = std::array<quint8, 3>;

    explicit SettingsFile(const QString &folder);

    // Empty when there is no such file (a file that cannot be read counts as none).
    std::optional<Bytes> read() const;
    // False when the file could not be written; nothing that was in it before is lost.
    bool write(const Bytes &bytes) const;

    // Why writing would be refused (a link, not a plain file, several names); empty when the
    // file can be written or made. Start-up asks, since the writing happens at the exit.
    QString unsafeReason() const;

    // The file the folder listing finds, whatever the case of its name; empty when none.
    QString existingPath() const;

private:
    // The file found, else the name a new one gets.
    QString writePath() const;

    QString m_folder;
};
