#pragma once

#include <QString>
#include <optional>

// Where gpsd serves a receiver, written in ports.conf as gpsd://HOST[:PORT][/DEVICE], the form
// gpsd itself uses for such sources. HOST may be an IPv6 address in brackets.
struct GpsdAddress
{
    static constexpr quint16 kDefaultPort = 2947;

    QString host;
    quint16 port = kDefaultPort;
    // The device of gpsd's to watch (/dev/ttyUSB0); empty for every device gpsd reads.
    QString device;

    static bool isGpsdUrl(const QString &text);
    // Empty when the text is no well-formed gpsd address.
    static std::optional<GpsdAddress> parse(const QString &text);
    // "host:port", for messages.
    QString endpoint() const;
    // The request that has gpsd pass on the receiver's NMEA lines.
    QByteArray watchRequest(bool enable) const;
};
