#pragma once

#include "GpsdAddress.h"
#include "SerialDevice.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;

// A receiver that gpsd holds, read over TCP: gpsd is asked to pass on the receiver's NMEA lines,
// which are read like a serial line's characters. Its own JSON reports are kept out of the
// input; the speed it reports for its device is kept for the line's transit.
class GpsdDevice : public QObject, public SerialDevice
{
    Q_OBJECT
public:
    using Teller = std::function<void(const QString &)>;

    // Connects without waiting for the far side. Raises CommError 8002 when the connection is
    // refused at once (nothing listens on this computer); a failure found later (an address
    // that does not answer within kConnectTimeoutMs, a name that does not resolve) makes the
    // device fail as a hung-up one does. tell gets each reason, for standard error.
    GpsdDevice(const GpsdAddress &address, Teller tell);
    ~GpsdDevice() override;

    static constexpr int kConnectTimeoutMs = 2000;

    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    // gpsd takes no sentences from its clients: whatever is written is dropped.
    void write(const QByteArray &) override { }
    void discardInput() override;
    // No modem-status lines to ask.
    bool ctsHolding() const override;
    bool hasFailed() const override { return m_failed; }
    // Draining, gpsd is asked to stop sending: nothing arrives to be thrown away.
    void setDraining(bool on) override;
    // The line speed gpsd reported for its device; 0 until it has.
    int lineSpeed() const override { return m_speed; }

private:
    struct Resolution;

    void startConnect(const QByteArray &address, int length);
    void onResolved();
    void onConnectDone();
    void onReadable();
    void pull();
    void takeLine(const QByteArray &line);
    void send(const QByteArray &request);
    void fail(const QString &reason);
    void closeSocket();

    GpsdAddress m_address;
    Teller m_tell;
    int m_fd = -1;
    bool m_connected = false;
    bool m_failed = false;
    bool m_draining = false;
    int m_speed = 0;
    QByteArray m_partial;
    QByteArray m_nmea;
    std::shared_ptr<Resolution> m_resolution;
    std::unique_ptr<QSocketNotifier> m_resolved;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_connectTimeout;
};
