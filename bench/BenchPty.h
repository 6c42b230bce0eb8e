#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// A device on the far end of a serial line: the program under measurement opens the slave side
// as its port, the benchmark holds the master side.
class BenchPty
{
public:
    BenchPty()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        termios raw {};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(name);
    }
    ~BenchPty()
    {
        ::close(m_master);
        ::close(m_slave);
    }
    BenchPty(const BenchPty &) = delete;
    BenchPty &operator=(const BenchPty &) = delete;

    int master() const { return m_master; }
    int slave() const { return m_slave; }
    QString slavePath() const { return m_slavePath; }

    // Makes <folder>/ports/COM<n> point at the slave side.
    void linkAs(const QString &folder, int portNumber) const
    {
        QDir(folder).mkpath(QStringLiteral("ports"));
        QFile::link(
            m_slavePath, folder + QStringLiteral("/ports/COM") + QString::number(portNumber));
    }

    // A daemon that drops its privileges must still be able to open the line.
    void openToEveryone() const { ::chmod(m_slavePath.toLocal8Bit().constData(), 0666); }

    bool write(const QByteArray &data) const
    {
        return ::write(m_master, data.constData(), size_t(data.size())) == data.size();
    }

    void drain() const
    {
        char buffer[4096];
        while (::read(m_master, buffer, sizeof buffer) > 0) { }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
