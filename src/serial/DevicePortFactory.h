#pragma once

#include "PortMap.h"
#include "SerialDevice.h"

#include <QSet>
#include <QString>

// Port n is the device its ports.conf entry names, else <settings folder>/ports/COMn when that
// path exists, else /dev/ttyS<n-1>. A ports.conf speed replaces the caller's; the entry's speed and
// delay go with the device (SerialDevice::mapping).
class DevicePortFactory : public SerialDeviceFactory
{
public:
    explicit DevicePortFactory(const QString &settingsDir);

    QString devicePath(int portNumber) const override;
    std::unique_ptr<SerialDevice> open(
        int portNumber, const LineSettings &settings, PortDirection direction) override;

private:
    QString devicePath(int portNumber, const std::optional<PortMap::Entry> &entry) const;
    QString linkPath(int portNumber) const;
    std::unique_ptr<SerialDevice> openGpsd(int portNumber, const PortMap::Entry &entry);
    [[noreturn]] void refuse(int number, int portNumber, const QString &detail);
    void tellOnce(int portNumber, const QString &detail);

    QString m_settingsDir;
    PortMap m_map;
    // Each refusal goes to standard error once, not at every retry.
    QSet<QString> m_told;
};
