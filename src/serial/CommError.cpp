#include "CommError.h"

CommError::CommError(int number, const QString &detail)
    : m_number(number)
    , m_description(standardDescription(number))
    , m_detail(detail)
{
    if (!detail.isEmpty())
        m_description += QStringLiteral(" (") + detail + QLatin1Char(')');
    m_what = m_description.toLocal8Bit();
}

QString CommError::unforeseenText(int number, const QString &description, int blankLines)
{
    const QString crLf = QStringLiteral("\r\n");
    return QStringLiteral("Unforeseen Error occured - Number %1.").arg(number) + crLf
        + QStringLiteral("Error: ") + description + crLf + crLf.repeated(blankLines)
        + QStringLiteral("If Error persists contact vendor.");
}

QString CommError::standardDescription(int number)
{
    switch (number) {
    case InvalidPropertyValue:
        return QStringLiteral("Invalid property value");
    case OperationNotValidWhileOpen:
        return QStringLiteral("Operation not valid while the port is open");
    case InvalidPortNumber:
        return QStringLiteral("Invalid port number");
    case PortAlreadyOpen:
        return QStringLiteral("Port already open");
    case DeviceNotAvailable:
        return QStringLiteral("The device is no longer available");
    case PortNotOpen:
        return QStringLiteral("The port is not open");
    case CannotApplySettings:
        return QStringLiteral("The device does not accept the line settings");
    case WriteFailed:
        return QStringLiteral("Error writing to the port");
    case AccessDenied:
        return QStringLiteral("Access to the port is denied (the user needs the right to use "
                              "serial devices, usually the group dialout)");
    }
    return QStringLiteral("Serial port error");
}
