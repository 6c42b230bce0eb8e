#pragma once

#include "LineSettings.h"
#include "SerialDevice.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// A serial port object: choose a port number and line settings, open it, then poll its input.
// Failures are raised as CommError.
class CommError;

class MSComm
{
public:
    // The line settings of every port the program opens: 2400 baud, no parity, 8 data bits,
    // 1 stop bit. A speed in the user's ports.conf replaces the 2400 (DevicePortFactory).
    static inline const QString kLineSettings = QStringLiteral("2400,N,8,1");

    explicit MSComm(SerialDeviceFactory &devices);
    ~MSComm();
    MSComm(const MSComm &) = delete;
    MSComm &operator=(const MSComm &) = delete;

    int CommPort() const { return m_commPort; }
    void setCommPort(int portNumber);

    QString Settings() const { return m_settingsText; }
    void setSettings(const QString &text);

    bool PortOpen() const;
    void setPortOpen(bool open);
    // Tells one opening of a port from every other of any port object in this program: what a
    // reader learnt of the line holds only while this number stays the same.
    quint64 opening() const { return m_opening; }

    // Characters received and not yet read; setting 0 discards them.
    int InBufferCount() const;
    void setInBufferCount(int count);

    // How many characters one read of Input returns at most; 0 means all.
    int InputLen() const { return m_inputLen; }
    void setInputLen(int length) { m_inputLen = length; }

    QByteArray Input();
    // Characters queued for sending and not yet gone; setting 0 throws them away.
    int OutBufferCount() const;
    void setOutBufferCount(int count);
    // Queues the text for sending and returns at once.
    void setOutput(const QByteArray &text);
    bool CTSHolding() const;

    // The speed the line runs at: a ports.conf speed replaces the one of Settings while open;
    // a receiver read through gpsd has the speed gpsd reports, 0 until it has.
    int baudRate() const;
    // How long after the start of its second the receiver on the open port begins its RMC
    // sentence (ports.conf "delay"); nothing when closed or not given.
    std::optional<int> receiverDelayMillis() const;

    // While on, input nobody reads is thrown away as it arrives (see SerialDevice::setDraining),
    // on every device this object opens, except while a ReadingScope lives.
    void setDrainWhileIdle(bool on);
    // For a port that is only written to: the devices it opens next are not watched for input
    // (see PortDirection), and a hang-up is seen when the port is next used.
    void setOutputOnly(bool on)
    {
        m_direction = on ? PortDirection::OutputOnly : PortDirection::Both;
    }
    // See SerialDevice::setInputArrived; kept for every device this object opens.
    void setInputArrived(std::function<void()> arrived);
    // See SerialDevice::endDrainPause; nothing when closed.
    void endDrainPause();

    // Holds draining off for a reader that takes the characters itself, one read at a time.
    class ReadingScope
    {
    public:
        explicit ReadingScope(MSComm &port);
        ~ReadingScope();
        ReadingScope(const ReadingScope &) = delete;
        ReadingScope &operator=(const ReadingScope &) = delete;

    private:
        MSComm &m_port;
    };

    // Opens port portNumber with kLineSettings, in the order CommPort, Settings, PortOpen.
    // False, the port left closed, when any step fails; the failure goes to the handler below.
    bool openQuietly(int portNumber);
    using OpenFailureHandler = std::function<void(const CommError &)>;
    void setOpenFailureHandler(OpenFailureHandler handler) { m_openFailed = std::move(handler); }

private:
    SerialDevice &openDevice() const;
    void dropFailedDevice() const;
    void applyDraining() const;

    SerialDeviceFactory &m_devices;
    int m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_settings;
    int m_inputLen = 0;
    bool m_drainWhileIdle = false;
    PortDirection m_direction = PortDirection::Both;
    int m_readers = 0;
    OpenFailureHandler m_openFailed;
    std::function<void()> m_inputArrived;
    quint64 m_opening = 0;
    mutable std::unique_ptr<SerialDevice> m_device;
};
