#pragma once

#include "BenchReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <unistd.h>

// gpsd as the reference NMEA consumer: started on one device, read over its JSON socket, and
// cleaned up with the shared-memory segments it leaves behind.
class BenchGpsd
{
public:
    BenchGpsd() = default;
    ~BenchGpsd() { stop(); }
    BenchGpsd(const BenchGpsd &) = delete;
    BenchGpsd &operator=(const BenchGpsd &) = delete;

    static QString executable()
    {
        const QString found = QStandardPaths::findExecutable(QStringLiteral("gpsd"));
        return found.isEmpty() ? QStandardPaths::findExecutable(
                   QStringLiteral("gpsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                               : found;
    }

    // Starts gpsd on the device; with a client, waits until its socket takes a watch.
    bool start(const QString &device, bool withClient)
    {
        m_segmentsBefore = existingSegments();
        m_port = freeTcpPort();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GPSD_SHM_KEY"), QString::number(exportKey()));
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(executable(),
            {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("-S"),
                QString::number(m_port), QStringLiteral("-F"),
                m_dir.filePath(QStringLiteral("sock")), QStringLiteral("-P"),
                m_dir.filePath(QStringLiteral("pid")), device});
        if (!m_process.waitForStarted(5000))
            return false;
        return !withClient || connectClient();
    }

    qint64 pid() const { return m_process.processId(); }

    // Waits for the TPV report of the given time ("2026-12-07T05:27:21.000Z"); returns when
    // its line was read, or nothing when it did not come in time.
    std::optional<Bench::Steady::time_point> waitForReport(const QString &time, int timeoutMs)
    {
        const auto deadline = Bench::Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (Bench::Steady::now() < deadline) {
            pollfd readable {m_socket, POLLIN, 0};
            const int left = int(Bench::msBetween(Bench::Steady::now(), deadline)) + 1;
            if (::poll(&readable, 1, left) <= 0)
                continue;
            const auto arrived = Bench::Steady::now();
            char buffer[65536];
            const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0)
                return std::nullopt;
            m_pending.append(buffer, n);
            if (takeReportOf(time))
                return arrived;
        }
        return std::nullopt;
    }

    void stop()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(3000);
            }
            removeNewSegments();
        }
    }

private:
    // The client export segment, private to this run; gpsd's NTP segments have fixed keys.
    static key_t exportKey() { return key_t(0x48580000 | (::getpid() & 0xffff)); }
    static QList<key_t> segmentKeys()
    {
        QList<key_t> keys {exportKey()};
        for (key_t unit = 0; unit < 8; ++unit)
            keys << key_t(0x4e545030) + unit;
        return keys;
    }
    static QSet<key_t> existingSegments()
    {
        QSet<key_t> found;
        for (key_t key : segmentKeys()) {
            if (::shmget(key, 0, 0) >= 0)
                found.insert(key);
        }
        return found;
    }
    // Only segments this run made and nobody uses any more: another gpsd may hold the rest.
    void removeNewSegments() const
    {
        for (key_t key : segmentKeys()) {
            const int id = ::shmget(key, 0, 0);
            shmid_ds info {};
            if (id < 0 || m_segmentsBefore.contains(key) || ::shmctl(id, IPC_STAT, &info) != 0)
                continue;
            if (info.shm_nattch == 0)
                ::shmctl(id, IPC_RMID, nullptr);
        }
    }

    static int freeTcpPort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (fd >= 0)
            ::close(fd);
        return port;
    }

    // gpsd listens a moment after it starts.
    bool connectClient()
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(m_port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
                const QByteArray watch = "?WATCH={\"enable\":true,\"json\":true}\n";
                return ::send(m_socket, watch.constData(), size_t(watch.size()), 0) == watch.size();
            }
            ::close(m_socket);
            m_socket = -1;
            QThread::msleep(50);
        }
        return false;
    }

    bool takeReportOf(const QString &time)
    {
        bool found = false;
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QJsonObject report = QJsonDocument::fromJson(m_pending.left(end)).object();
            m_pending.remove(0, end + 1);
            found = found
                || (report.value(QStringLiteral("class")).toString() == QLatin1String("TPV")
                    && report.value(QStringLiteral("time")).toString() == time);
        }
        return found;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QSet<key_t> m_segmentsBefore;
    QByteArray m_pending;
    int m_port = 0;
    int m_socket = -1;
};
