#pragma once

#include <QMap>
#include <QString>
#include <array>
#include <optional>

// The user's port map, "ports.conf" in the settings folder: one INI group per port number,
//   [COM1]
//   device=/dev/serial/by-id/usb-...
//   speed=9600
//   talker=any
// Every key is optional; a missing device leaves the port to its link or serial device.
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
    };

    static constexpr int kDefaultSpeed = 2400;
    static constexpr std::array<int, 8> kAcceptedSpeeds
        = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    static bool isAcceptedSpeed(int speed);
    static QString groupName(int portNumber);

    explicit PortMap(const QString &settingsDir);

    QString filePath() const { return m_path; }
    // Empty when the file has no group for the port.
    std::optional<Entry> entry(int portNumber) const;
    // Replaces the whole file with these entries. False when it could not be written.
    bool write(const QMap<int, Entry> &entries) const;

private:
    QString m_path;
};
