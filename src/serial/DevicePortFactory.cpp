#include "DevicePortFactory.h"

#include "CommError.h"
#include "GpsdDevice.h"
#include "QtSerialDevice.h"
#include "common/Log.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool isCharacterDevice(const QString &path)
{
    struct stat status = {};
    return ::stat(path.toLocal8Bit().constData(), &status) == 0 && S_ISCHR(status.st_mode);
}
} // namespace

DevicePortFactory::DevicePortFactory(const QString &settingsDir)
    : m_settingsDir(settingsDir)
    , m_map(settingsDir)
{ }

QString DevicePortFactory::linkPath(int portNumber) const
{
    return m_settingsDir + QStringLiteral("/ports/COM") + QString::number(portNumber);
}

QString DevicePortFactory::devicePath(int portNumber) const
{
    return devicePath(portNumber, m_map.entry(portNumber));
}

QString DevicePortFactory::devicePath(
    int portNumber, const std::optional<PortMap::Entry> &entry) const
{
    if (entry && !entry->device.isEmpty())
        return entry->device;
    // A link whose device is unplugged still names that device: falling back to the serial
    // port of the same number would talk to whatever is wired there.
    const QFileInfo link(linkPath(portNumber));
    if (link.exists() || link.isSymLink())
        return link.filePath();
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
}

std::unique_ptr<SerialDevice> DevicePortFactory::open(
    int portNumber, const LineSettings &settings, PortDirection direction)
{
    if (portNumber < 1 || portNumber > 255)
        throw CommError(CommError::InvalidPortNumber);
    const std::optional<PortMap::Entry> entry = m_map.entry(portNumber);
    const QString file = QDir::toNativeSeparators(m_map.filePath());
    LineSettings line = settings;
    if (entry) {
        if (!PortMap::isAcceptedSpeed(entry->speed))
            refuse(CommError::InvalidPropertyValue, portNumber,
                QStringLiteral("speed %1 in %2 is not an accepted one")
                    .arg(entry->speed)
                    .arg(file));
        if (!entry->badDelay.isEmpty())
            refuse(CommError::InvalidPropertyValue, portNumber,
                QStringLiteral("delay %1 in %2 is not seconds from 0 to 1 with at most three "
                               "decimals")
                    .arg(entry->badDelay, file));
        line.baudRate = entry->speed;
    }
    if (entry && GpsdAddress::isGpsdUrl(entry->device))
        return openGpsd(portNumber, *entry);
    const QString named = devicePath(portNumber, entry);
    // Follow links so every name of one device shares one lock.
    const QString path = QFileInfo(named).canonicalFilePath();
    if (path.isEmpty())
        refuse(
            CommError::InvalidPortNumber, portNumber, named + QStringLiteral(": no such device"));
    if (!isCharacterDevice(path))
        refuse(CommError::InvalidPortNumber, portNumber,
            named + QStringLiteral(": not a character device"));
    if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0)
        throw CommError(CommError::AccessDenied, path);
    auto device = std::make_unique<QtSerialDevice>(path, line, direction);
    device->setMapping({line.baudRate, entry ? entry->delayMillis : std::nullopt});
    return device;
}

std::unique_ptr<SerialDevice> DevicePortFactory::openGpsd(
    int portNumber, const PortMap::Entry &entry)
{
    const std::optional<GpsdAddress> address = GpsdAddress::parse(entry.device);
    if (!address)
        refuse(CommError::InvalidPortNumber, portNumber,
            entry.device + QStringLiteral(": not a gpsd address (gpsd://HOST[:PORT][/DEVICE])"));
    try {
        auto device = std::make_unique<GpsdDevice>(
            *address, [this, portNumber](const QString &reason) { tellOnce(portNumber, reason); });
        // The speed is gpsd's to report; the receiver's delay is the user's.
        device->setMapping({0, entry.delayMillis});
        return device;
    } catch (const CommError &error) {
        refuse(error.number(), portNumber, error.detail());
    }
}

void DevicePortFactory::refuse(int number, int portNumber, const QString &detail)
{
    tellOnce(portNumber, detail);
    throw CommError(number, detail);
}

void DevicePortFactory::tellOnce(int portNumber, const QString &detail)
{
    const QString line = PortMap::groupName(portNumber) + QStringLiteral(": ") + detail;
    if (!m_told.contains(line)) {
        m_told.insert(line);
        qCWarning(lcHorolux, "cannot open %s", qUtf8Printable(line));
    }
}
