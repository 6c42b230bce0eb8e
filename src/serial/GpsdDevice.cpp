#include "GpsdDevice.h"

#include "CommError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
// Bounds what a flooding peer can make us hold; a search reads far less than this.
constexpr qsizetype kInputLimit = 64 * 1024;
constexpr qsizetype kLineLimit = 4096;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

// A host name is looked up on a thread of its own, so that a slow name server never holds up
// the program; the answer comes back through an eventfd. The thread may outlive the device.
struct GpsdDevice::Resolution
{
    std::mutex mutex;
    sockaddr_storage address {};
    int length = 0;
    QString error;
    int eventFd = -1;
    ~Resolution() { ::close(eventFd); }
};

GpsdDevice::GpsdDevice(const GpsdAddress &address, Teller tell)
    : m_address(address)
    , m_tell(std::move(tell))
{
    m_connectTimeout.setSingleShot(true);
    m_connectTimeout.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimeout, &QTimer::timeout, this,
        [this] { fail(QStringLiteral("no answer within %1 s").arg(kConnectTimeoutMs / 1000)); });
    m_connectTimeout.start();

    addrinfo hints {};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const QByteArray port = QByteArray::number(m_address.port);
    if (::getaddrinfo(m_address.host.toUtf8().constData(), port.constData(), &hints, &found) == 0) {
        QByteArray bytes(reinterpret_cast<const char *>(found->ai_addr), int(found->ai_addrlen));
        ::freeaddrinfo(found);
        startConnect(bytes, bytes.size());
        return;
    }
    m_resolution = std::make_shared<Resolution>();
    m_resolution->eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_resolution->eventFd < 0)
        throw CommError(CommError::InvalidPortNumber, errorText(errno));
    m_resolved = std::make_unique<QSocketNotifier>(m_resolution->eventFd, QSocketNotifier::Read);
    connect(m_resolved.get(), &QSocketNotifier::activated, this, &GpsdDevice::onResolved);
    std::thread([state = m_resolution, host = m_address.host.toUtf8(), port] {
        addrinfo hints {};
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo *found = nullptr;
        const int status = ::getaddrinfo(host.constData(), port.constData(), &hints, &found);
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (status == 0) {
                std::memcpy(&state->address, found->ai_addr, found->ai_addrlen);
                state->length = int(found->ai_addrlen);
                ::freeaddrinfo(found);
            } else {
                state->error = QString::fromLocal8Bit(::gai_strerror(status));
            }
        }
        const eventfd_t one = 1;
        ::eventfd_write(state->eventFd, one);
    }).detach();
}

GpsdDevice::~GpsdDevice()
{
    closeSocket();
}

void GpsdDevice::onResolved()
{
    m_resolved.reset();
    QByteArray bytes;
    QString error;
    {
        const std::lock_guard<std::mutex> lock(m_resolution->mutex);
        bytes = QByteArray(
            reinterpret_cast<const char *>(&m_resolution->address), m_resolution->length);
        error = m_resolution->error;
    }
    m_resolution.reset();
    if (!error.isEmpty())
        fail(error);
    else
        startConnect(bytes, bytes.size());
}

void GpsdDevice::startConnect(const QByteArray &address, int length)
{
    const auto *peer = reinterpret_cast<const sockaddr *>(address.constData());
    m_fd = ::socket(peer->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        throw CommError(CommError::InvalidPortNumber, errorText(errno));
    int error = ::connect(m_fd, peer, socklen_t(length)) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        // On this computer the answer is there at once: a refusal is told as the open's own.
        pollfd asked = {m_fd, POLLOUT, 0};
        socklen_t size = sizeof error;
        error = 0;
        if (::poll(&asked, 1, 0) > 0)
            ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size);
    }
    if (error != 0) {
        closeSocket();
        // Nothing listens: a missing device, refused as a missing device is.
        throw CommError(CommError::InvalidPortNumber,
            QStringLiteral("gpsd at %1: %2").arg(m_address.endpoint(), errorText(error)));
    }
    m_writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    connect(m_writable.get(), &QSocketNotifier::activated, this, &GpsdDevice::onConnectDone);
}

void GpsdDevice::onConnectDone()
{
    m_writable.reset();
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
        fail(errorText(error));
        return;
    }
    m_connectTimeout.stop();
    m_connected = true;
    m_readable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &GpsdDevice::onReadable);
    send(m_address.watchRequest(!m_draining));
}

void GpsdDevice::onReadable()
{
    const qsizetype before = m_nmea.size();
    pull();
    if (m_nmea.size() > before)
        tellInputArrived();
}

void GpsdDevice::pull()
{
    if (!m_connected || m_failed)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0) {
            fail(QStringLiteral("gpsd closed the connection"));
            return;
        }
        if (got < 0) {
            if (errno != EAGAIN && errno != EINTR)
                fail(errorText(errno));
            return;
        }
        m_partial.append(buffer, got);
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            takeLine(m_partial.left(end + 1));
            m_partial.remove(0, end + 1);
        }
        if (m_partial.size() > kLineLimit)
            m_partial.clear();
    }
}

void GpsdDevice::takeLine(const QByteArray &line)
{
    if (!line.startsWith('{')) {
        if (!m_draining && m_nmea.size() + line.size() <= kInputLimit)
            m_nmea.append(line);
        return;
    }
    // gpsd's own reports: only the speed of the receiver's line is of use.
    const QJsonObject report = QJsonDocument::fromJson(line).object();
    const QString klass = report.value(QStringLiteral("class")).toString();
    QJsonArray devices;
    if (klass == QStringLiteral("DEVICE"))
        devices.append(report);
    else if (klass == QStringLiteral("DEVICES"))
        devices = report.value(QStringLiteral("devices")).toArray();
    for (const auto &value : std::as_const(devices)) {
        const QJsonObject device = value.toObject();
        const bool ours = m_address.device.isEmpty()
            || device.value(QStringLiteral("path")).toString() == m_address.device;
        const int bps = device.value(QStringLiteral("bps")).toInt();
        if (ours && bps > 0)
            m_speed = bps;
    }
}

void GpsdDevice::send(const QByteArray &request)
{
    if (!m_connected || m_failed)
        return;
    if (::send(m_fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL | MSG_DONTWAIT)
        != request.size())
        fail(errorText(errno));
}

void GpsdDevice::fail(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_tell(QStringLiteral("gpsd at %1: %2").arg(m_address.endpoint(), reason));
    closeSocket();
}

void GpsdDevice::closeSocket()
{
    m_connectTimeout.stop();
    m_readable.reset();
    m_writable.reset();
    m_resolved.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connected = false;
}

qint64 GpsdDevice::bytesAvailable() const
{
    return m_nmea.size();
}

QByteArray GpsdDevice::read(qint64 maxSize)
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    pull();
    const QByteArray taken = m_nmea.left(maxSize);
    m_nmea.remove(0, taken.size());
    return taken;
}

void GpsdDevice::discardInput()
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    pull();
    m_nmea.clear();
}

bool GpsdDevice::ctsHolding() const
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    return true;
}

void GpsdDevice::setDraining(bool on)
{
    if (on == m_draining)
        return;
    m_draining = on;
    if (on)
        m_nmea.clear();
    send(m_address.watchRequest(!on));
}
