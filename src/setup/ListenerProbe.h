#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;

// Asks whether something listens on a TCP port of an IPv4 address (gpsd on this computer)
// without making anyone wait: a non-blocking connect whose answer a socket notifier brings,
// given up after kTimeoutMs. The connection is closed as soon as it is made.
class ListenerProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 500;

    explicit ListenerProbe(QObject *parent = nullptr);
    ~ListenerProbe() override;

    // Starts anew; answered() comes only when the connection is made in time.
    void start(const QString &ipv4, quint16 port);

signals:
    void answered();

private:
    void onWritable();
    void finish();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_timeout;
};
