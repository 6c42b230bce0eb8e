#include "PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    termios raw {};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Programs the tests start must not inherit the device ends.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
    // Keeping our own slave descriptor open stops a hang-up each time the program closes it.
}

PseudoTerminal::~PseudoTerminal()
{
    // A program still running on a link to us must find an unplugged device there, not the
    // next terminal that gets our number.
    for (const QString &link : std::as_const(m_links)) {
        if (QFile::symLinkTarget(link) != m_slavePath)
            continue; // linked to another device since
        QFile::remove(link);
        QFile::link(m_slavePath + QStringLiteral(".gone"), link);
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

unsigned PseudoTerminal::outputSpeed() const
{
    termios line {};
    ::tcgetattr(m_slave, &line);
    return unsigned(::cfgetospeed(&line));
}

void PseudoTerminal::linkAsPort(const QString &folder, int portNumber) const
{
    QDir(folder).mkpath(QStringLiteral("ports"));
    const QString link = folder + QStringLiteral("/ports/COM") + QString::number(portNumber);
    QFile::remove(link);
    QFile::link(m_slavePath, link);
    m_links.append(link);
}

void PseudoTerminal::write(const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("write to pseudo-terminal failed");
        if (n > 0)
            done += n;
    }
}

qsizetype PseudoTerminal::writeSome(const QByteArray &data)
{
    const ssize_t n = ::write(m_master, data.constData(), size_t(data.size()));
    return n > 0 ? qsizetype(n) : 0;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.append(buffer, n);
    }
    return result;
}

void PseudoTerminal::hangUp()
{
    // Closing the master hangs the program's side up and removes the device node. Our slave
    // descriptor stays until we are destroyed: it keeps the kernel from handing the number to
    // another test's new terminal, which the ports/COMn link would then name, so that the
    // program, still trying its port, would open a stranger's device or find it locked.
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
