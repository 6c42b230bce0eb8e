#include "MSComm.h"

#include "CommError.h"

#include <atomic>

namespace {
std::atomic<quint64> g_openings = 0;
} // namespace

MSComm::MSComm(SerialDeviceFactory &devices)
    : m_devices(devices)
{ }

MSComm::~MSComm() = default;

void MSComm::setCommPort(int portNumber)
{
    if (m_device)
        throw CommError(CommError::OperationNotValidWhileOpen);
    if (portNumber < 1 || portNumber > 255)
        throw CommError(CommError::InvalidPortNumber);
    m_commPort = portNumber;
}

void MSComm::setSettings(const QString &text)
{
    const auto parsed = LineSettings::parse(text);
    if (!parsed)
        throw CommError(CommError::InvalidPropertyValue, text);
    if (m_device)
        throw CommError(CommError::OperationNotValidWhileOpen);
    m_settings = *parsed;
    m_settingsText = text;
}

bool MSComm::PortOpen() const
{
    dropFailedDevice();
    return m_device != nullptr;
}

void MSComm::setPortOpen(bool open)
{
    dropFailedDevice();
    if (!open) {
        m_device.reset();
        return;
    }
    if (m_device)
        throw CommError(CommError::PortAlreadyOpen);
    m_device = m_devices.open(m_commPort, m_settings, m_direction);
    m_opening = ++g_openings;
    m_device->setInputArrived(m_inputArrived);
    applyDraining();
}

int MSComm::InBufferCount() const
{
    return int(openDevice().bytesAvailable());
}

void MSComm::setInBufferCount(int count)
{
    if (count != 0)
        throw CommError(CommError::InvalidPropertyValue);
    openDevice().discardInput();
}

QByteArray MSComm::Input()
{
    SerialDevice &device = openDevice();
    const QByteArray text = device.read(m_inputLen > 0 ? m_inputLen : device.bytesAvailable());
    dropFailedDevice();
    return text;
}

int MSComm::OutBufferCount() const
{
    return int(openDevice().bytesToWrite());
}

void MSComm::setOutBufferCount(int count)
{
    if (count != 0)
        throw CommError(CommError::InvalidPropertyValue);
    openDevice().discardOutput();
}

void MSComm::setOutput(const QByteArray &text)
{
    openDevice().write(text);
}

bool MSComm::CTSHolding() const
{
    return openDevice().ctsHolding();
}

int MSComm::baudRate() const
{
    dropFailedDevice();
    return m_device ? m_device->lineSpeed() : m_settings.baudRate;
}

std::optional<int> MSComm::receiverDelayMillis() const
{
    dropFailedDevice();
    return m_device ? m_device->mapping().receiverDelayMillis : std::nullopt;
}

void MSComm::setDrainWhileIdle(bool on)
{
    m_drainWhileIdle = on;
    applyDraining();
}

MSComm::ReadingScope::ReadingScope(MSComm &port)
    : m_port(port)
{
    ++m_port.m_readers;
    m_port.applyDraining();
}

MSComm::ReadingScope::~ReadingScope()
{
    --m_port.m_readers;
    m_port.applyDraining();
}

void MSComm::applyDraining() const
{
    dropFailedDevice();
    if (m_device)
        m_device->setDraining(m_drainWhileIdle && m_readers == 0);
}

void MSComm::setInputArrived(std::function<void()> arrived)
{
    m_inputArrived = std::move(arrived);
    dropFailedDevice();
    if (m_device)
        m_device->setInputArrived(m_inputArrived);
}

void MSComm::endDrainPause()
{
    dropFailedDevice();
    if (m_device)
        m_device->endDrainPause();
}

bool MSComm::openQuietly(int portNumber)
{
    try {
        setCommPort(portNumber);
        setSettings(kLineSettings);
        setPortOpen(true);
        return true;
    } catch (const CommError &error) {
        if (m_openFailed)
            m_openFailed(error);
        return false;
    }
}

SerialDevice &MSComm::openDevice() const
{
    if (m_device && m_device->hasFailed()) {
        m_device.reset();
        throw CommError(CommError::DeviceNotAvailable);
    }
    if (!m_device)
        throw CommError(CommError::PortNotOpen);
    return *m_device;
}

void MSComm::dropFailedDevice() const
{
    if (m_device && m_device->hasFailed())
        m_device.reset();
}
