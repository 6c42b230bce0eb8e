#pragma once

#include "serial/SerialDevice.h"

#include <QByteArray>
#include <functional>
#include <map>
#include <optional>

// What a fake device on one port number does and what it was sent.
struct FakePort
{
    int openError = 0; // raised by the next opens when not 0
    bool cts = true; // state of the CTS line
    int ioError = 0; // raised by reads and writes when not 0
    QByteArray input; // waiting to be read by the program
    QByteArray output; // written by the program
    int openCount = 0;
    bool isOpen = false;
    bool failed = false; // unplugged while open
    std::optional<int> receiverDelayMillis; // as a ports.conf delay would give it
    bool stalled = false; // the peer reads nothing: writes wait in pending
    QByteArray pending; // written by the program, not yet gone
    std::function<void()> arrived; // what the open device tells of arriving input

    // Input arrives: it waits to be read, and the open device tells of it.
    void receive(const QByteArray &text)
    {
        input += text;
        // A copy: the reader may stop listening from inside the call.
        if (const std::function<void()> tell = arrived)
            tell();
    }
};

// Ports for cases a pseudo-terminal cannot play: CTS low, open errors, I/O errors.
class FakeSerialFactory : public SerialDeviceFactory
{
public:
    FakePort &port(int number) { return m_ports[number]; }
    std::unique_ptr<SerialDevice> open(
        int portNumber, const LineSettings &settings, PortDirection direction) override;

private:
    std::map<int, FakePort> m_ports;
};
