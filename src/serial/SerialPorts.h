#pragma once

#include "MSComm.h"

#include <QString>
#include <functional>

// The program's three serial port objects, alive for the whole run. The setup dialog shows and
// changes them without owning them, so a start-up that only opens ports builds no dialog.
struct SerialPorts
{
    // Told when the receive port cannot be opened because access is refused.
    using AccessDenied = std::function<void(const QString &reason)>;

    SerialPorts(SerialDeviceFactory &devices, AccessDenied receiveDenied);

    MSComm MSComm1; // receive port
    MSComm MSComm2; // transmit port
    MSComm MSComm3; // probe port
};
