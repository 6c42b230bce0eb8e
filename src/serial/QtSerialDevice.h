#pragma once

#include "SerialDevice.h"

#include <QSerialPort>
#include <QTimer>

// A real device (serial port, USB adapter, pseudo-terminal) through QSerialPort.
class QtSerialDevice : public SerialDevice
{
public:
    // Raises CommError when the device cannot be opened or configured.
    QtSerialDevice(const QString &path, const LineSettings &settings, PortDirection direction);
    ~QtSerialDevice() override;

    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    void write(const QByteArray &data) override;
    void discardInput() override;
    qint64 bytesToWrite() const override;
    void discardOutput() override;
    bool ctsHolding() const override;
    bool hasFailed() const override;
    void setDraining(bool on) override;
    void endDrainPause() override;

private:
    void applySettings(const LineSettings &settings);
    void lockExclusively();
    void onError(QSerialPort::SerialPortError error);
    void onDrainedInput();
    void throwInputAway();

    mutable QSerialPort m_port;
    mutable bool m_failed = false;
    bool m_draining = false;
    QTimer m_drainPause;
};
