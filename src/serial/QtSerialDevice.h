#pragma once

#include "SerialDevice.h"

#include <QSerialPort>

// A real device (serial port, USB adapter, pseudo-terminal) through QSerialPort.
class QtSerialDevice : public SerialDevice
{
public:
    // Raises CommError when the device cannot be opened or configured.
    QtSerialDevice(const QString &path, const LineSettings &settings);
    ~QtSerialDevice() override;

    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    void write(const QByteArray &data) override;
    void discardInput() override;
    bool ctsHolding() const override;
    bool hasFailed() const override { return m_failed; }
    void setDraining(bool on) override;

private:
    void applySettings(const LineSettings &settings);
    void lockExclusively();
    void onError(QSerialPort::SerialPortError error);
    void setReadiness(bool coalesced);

    mutable QSerialPort m_port;
    bool m_failed = false;
    QMetaObject::Connection m_drain;
    // The line discipline's read minimum and timer while a reader is served one by one.
    unsigned char m_readingMin = 0;
    unsigned char m_readingTime = 0;
};
