#pragma once

#include "PortsConfFile.h"

#include <QMap>
#include <QString>
#include <array>
#include <optional>

// The user's port map, "ports.conf" in the settings folder: one INI group per port number,
//   [COM1]
//   device=/dev/serial/by-id/usb-...
//   speed=9600
//   talker=any
//   delay=0.080
// Every key is optional; a missing device leaves the port to its link or serial device. The file
// is read again only when it changed.
class PortMap
{
public:
    // Which sentences the receive search takes: "GPRMC," only, or "RMC," after any two capitals.
    enum class Talker { Gps, Any };

    struct Entry
    {
        QString device;
        // As written; 0 when the text is no number. Open refuses what acceptedSpeeds lacks.
        int speed = kDefaultSpeed;
        Talker talker = Talker::Gps;
        // How long after the start of its second the receiver begins its RMC sentence.
        std::optional<int> delayMillis = std::nullopt;
        // The text of a delay that is none (see parseDelay); open refuses the port then.
        QString badDelay = {};
    };

    static constexpr int kDefaultSpeed = 2400;
    static constexpr std::array<int, 8> kAcceptedSpeeds
        = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    static bool isAcceptedSpeed(int speed);
    static QString groupName(int portNumber);
    // Seconds from 0 to 1 with at most three decimals ("0.080"); nothing for anything else.
    static std::optional<int> parseDelay(const QString &text);
    static QString delayText(int millis);

    explicit PortMap(const QString &settingsDir);

    QString filePath() const { return m_path; }
    // Empty when the file has no group for the port.
    std::optional<Entry> entry(int portNumber) const;
    // Sets these entries' groups and empties every other port's, keeping whatever else the file
    // holds. False, with the reason in why, when it could not be written.
    [[nodiscard]] bool write(const QMap<int, Entry> &entries, QString *why = nullptr) const;

    // How often the file was read, for tests.
    int readCount() const { return m_reads; }

private:
    const PortsConfFile &file() const;

    QString m_path;
    mutable PortsConfFile m_file;
    mutable std::optional<PortsConfFile::Stamp> m_stamp;
    mutable int m_reads = 0;
};
