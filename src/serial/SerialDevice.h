#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// One opened serial device. Failures are raised as CommError.
class SerialDevice
{
public:
    virtual ~SerialDevice() = default;

    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    virtual void write(const QByteArray &data) = 0;
    virtual void discardInput() = 0;
    // Output accepted and not yet handed to the line, and throwing it away.
    virtual qint64 bytesToWrite() const { return 0; }
    virtual void discardOutput() { }
    // True also for devices that have no modem-status lines at all.
    virtual bool ctsHolding() const = 0;
    // The device went away (unplugged, hung up); it can only be closed now.
    virtual bool hasFailed() const = 0;
    // While on, input is thrown away in batches, once a second after the first arrives, without
    // a wake-up per line, and a hang-up is still seen. Devices without a kernel side ignore it.
    virtual void setDraining(bool) { }
    // Ends a pause of draining now rather than at its own timer: a caller that wakes anyway
    // (each second) saves the device its own wake-up.
    virtual void endDrainPause() { }

    // What the port's map says of the line beyond the caller's settings: the speed in use and
    // how long after the start of its second the receiver begins its RMC sentence.
    struct Mapping
    {
        int baudRate = 0;
        std::optional<int> receiverDelayMillis;
    };
    const Mapping &mapping() const { return m_mapping; }
    // The speed the characters arrive at, for their time on the line; 0 when unknown.
    virtual int lineSpeed() const { return m_mapping.baudRate; }
    void setMapping(const Mapping &mapping) { m_mapping = mapping; }

    // Called from the event loop each time input arrives, for a reader that runs no waiting
    // loop of its own; empty to stop. Not while draining. A device that cannot tell never calls.
    virtual void setInputArrived(std::function<void()> arrived) { m_arrived = std::move(arrived); }

protected:
    void tellInputArrived() const
    {
        // A copy: the call may replace or clear the one stored.
        if (const std::function<void()> arrived = m_arrived)
            arrived();
    }

private:
    Mapping m_mapping;
    std::function<void()> m_arrived;
};

// A port the program only writes to is not watched for input: a talkative device on it would
// wake the program for every character it sends back.
enum class PortDirection { Both, OutputOnly };

// Opens port numbers as devices. Raises CommError 8002 (no such port), 8005 (in use) or another.
class SerialDeviceFactory
{
public:
    virtual ~SerialDeviceFactory() = default;
    virtual std::unique_ptr<SerialDevice> open(
        int portNumber, const LineSettings &settings, PortDirection direction)
        = 0;
    // The device a port number names, for the user to see; empty where there is none to name.
    virtual QString devicePath(int) const { return {}; }
};
