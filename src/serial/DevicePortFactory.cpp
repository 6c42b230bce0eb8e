#include "DevicePortFactory.h"

#include "CommError.h"
#include "QtSerialDevice.h"

#include <QFileInfo>
#include <unistd.h>

DevicePortFactory::DevicePortFactory(const QString &executableDir)
    : m_executableDir(executableDir)
{ }

QString DevicePortFactory::devicePath(int portNumber) const
{
    const QString mapped
        = m_executableDir + QStringLiteral("/ports/COM") + QString::number(portNumber);
    // A link whose device is unplugged still names that device: falling back to the serial
    // port of the same number would talk to whatever is wired there.
    const QFileInfo entry(mapped);
    if (entry.exists() || entry.isSymLink())
        return mapped;
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
}

std::unique_ptr<SerialDevice> DevicePortFactory::open(int portNumber, const LineSettings &settings)
{
    if (portNumber < 1 || portNumber > 255)
        throw CommError(CommError::InvalidPortNumber);
    const QFileInfo info(devicePath(portNumber));
    // Follow ports/COMn links so every name of one device shares one lock.
    const QString path = info.canonicalFilePath();
    if (path.isEmpty() || info.isDir())
        throw CommError(CommError::InvalidPortNumber, info.filePath());
    if (::access(path.toLocal8Bit().constData(), R_OK | W_OK) != 0)
        throw CommError(CommError::AccessDenied, path);
    return std::make_unique<QtSerialDevice>(path, settings);
}
