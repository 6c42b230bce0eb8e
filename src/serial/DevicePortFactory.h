#pragma once

#include "SerialDevice.h"

#include <QString>

// Port n is <folder of the executable>/ports/COMn when that path exists, else /dev/ttyS<n-1>.
class DevicePortFactory : public SerialDeviceFactory
{
public:
    explicit DevicePortFactory(const QString &executableDir);

    QString devicePath(int portNumber) const;
    std::unique_ptr<SerialDevice> open(int portNumber, const LineSettings &settings) override;

private:
    QString m_executableDir;
};
