#pragma once

#include <QString>
#include <optional>

// The line settings text of a port, for example "2400,N,8,1".
struct LineSettings
{
    int baudRate = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;
    int stopBits = 1; // 1, 15 (one and a half) or 2

    static std::optional<LineSettings> parse(const QString &text);
};
