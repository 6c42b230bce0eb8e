#include "SerialPorts.h"

#include "CommError.h"

#include <utility>

SerialPorts::SerialPorts(SerialDeviceFactory &devices, AccessDenied receiveDenied)
    : MSComm1(devices)
    , MSComm2(devices)
    , MSComm3(devices)
{
    // The receive routine relies on one character per read. Between its searches nobody reads
    // the receiver, whose output is thrown away so that an unplugged receiver is seen at once.
    MSComm1.setInputLen(1);
    MSComm1.setDrainWhileIdle(true);
    // The master clock is only written to; whatever it says back is of no use to the program.
    MSComm2.setOutputOnly(true);
    // Only refused access needs the user: a missing or busy device can come back by itself.
    MSComm1.setOpenFailureHandler([denied = std::move(receiveDenied)](const CommError &error) {
        if (error.number() == CommError::AccessDenied)
            denied(QStringLiteral("cannot open the receive port: ") + error.description());
    });
}
