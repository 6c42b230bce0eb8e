#pragma once

#include <QString>
#include <exception>

// A numbered serial port error, raised by the port object and caught by its callers.
class CommError : public std::exception
{
public:
    enum Number {
        InvalidPropertyValue = 380,
        OperationNotValidWhileOpen = 8000,
        InvalidPortNumber = 8002,
        PortAlreadyOpen = 8005,
        DeviceNotAvailable = 8010,
        PortNotOpen = 8012,
        CannotApplySettings = 8015,
        WriteFailed = 8021,
        AccessDenied = 8030,
    };

    explicit CommError(int number, const QString &detail = {});

    int number() const { return m_number; }
    QString description() const { return m_description; }
    // What the raiser added to the standard description, if anything.
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.constData(); }

    static QString standardDescription(int number);
    // The text shown for an error the caller has no words of its own for, ending in advice to
    // contact the vendor after blankLines empty lines.
    static QString unforeseenText(int number, const QString &description, int blankLines = 0);

private:
    int m_number;
    QString m_description;
    QString m_detail;
    QByteArray m_what;
};
