#include "FakeSerial.h"

#include "serial/CommError.h"

namespace {
class FakeDevice : public SerialDevice
{
public:
    explicit FakeDevice(FakePort &port)
        : m_port(port)
    {
        m_port.isOpen = true;
        ++m_port.openCount;
    }
    ~FakeDevice() override
    {
        m_port.isOpen = false;
        m_port.arrived = nullptr;
    }

    qint64 bytesAvailable() const override { return m_port.input.size(); }
    QByteArray read(qint64 maxSize) override
    {
        check();
        const QByteArray text = m_port.input.left(maxSize);
        m_port.input.remove(0, text.size());
        return text;
    }
    void write(const QByteArray &data) override
    {
        check();
        (m_port.stalled ? m_port.pending : m_port.output) += data;
    }
    qint64 bytesToWrite() const override { return m_port.pending.size(); }
    void discardOutput() override { m_port.pending.clear(); }
    void discardInput() override
    {
        check();
        m_port.input.clear();
    }
    bool ctsHolding() const override { return m_port.cts; }
    bool hasFailed() const override { return m_port.failed; }
    void setInputArrived(std::function<void()> arrived) override
    {
        m_port.arrived = std::move(arrived);
    }

private:
    void check() const
    {
        if (m_port.ioError)
            throw CommError(m_port.ioError);
        if (m_port.failed)
            throw CommError(CommError::DeviceNotAvailable);
    }
    FakePort &m_port;
};
} // namespace

std::unique_ptr<SerialDevice> FakeSerialFactory::open(
    int portNumber, const LineSettings &settings, PortDirection)
{
    FakePort &fake = port(portNumber);
    if (fake.openError)
        throw CommError(fake.openError);
    if (fake.isOpen)
        throw CommError(CommError::PortAlreadyOpen);
    fake.failed = false;
    auto device = std::make_unique<FakeDevice>(fake);
    device->setMapping({settings.baudRate, fake.receiverDelayMillis});
    return device;
}
