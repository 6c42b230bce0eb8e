#include "ListenerProbe.h"

#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

ListenerProbe::ListenerProbe(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &ListenerProbe::finish);
}

ListenerProbe::~ListenerProbe()
{
    finish();
}

void ListenerProbe::start(const QString &ipv4, quint16 port)
{
    finish();
    sockaddr_in peer {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4.toLatin1().constData(), &peer.sin_addr) != 1)
        return;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    // Even on this computer the answer may come later: it is taken from the event loop alike.
    const int status = ::connect(m_fd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer);
    if (status != 0 && errno != EINPROGRESS) {
        finish();
        return;
    }
    m_writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    connect(m_writable.get(), &QSocketNotifier::activated, this, &ListenerProbe::onWritable);
    m_timeout.start();
}

void ListenerProbe::onWritable()
{
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size);
    finish();
    if (error == 0)
        emit answered();
}

void ListenerProbe::finish()
{
    m_timeout.stop();
    m_writable.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
