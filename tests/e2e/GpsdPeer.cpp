#include "GpsdPeer.h"

#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QJsonDocument>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kStartMs = 15000;

// gpsd's client export segment gets a key of its own, away from a production instance's.
constexpr key_t kExportKey = 0x48584c45;
// Its NTP segments NTP0 to NTP7 have fixed keys.
constexpr key_t kNtpKeyBase = 0x4e545030;

QList<key_t> gpsdSegmentKeys()
{
    QList<key_t> keys {kExportKey};
    for (key_t unit = 0; unit < 8; ++unit)
        keys << kNtpKeyBase + unit;
    return keys;
}

QSet<key_t> existingSegments()
{
    QSet<key_t> found;
    for (key_t key : gpsdSegmentKeys()) {
        if (::shmget(key, 0, 0) >= 0)
            found.insert(key);
    }
    return found;
}

// A loopback port nobody listens on now (the kernel's pick).
int freeTcpPort()
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
} // namespace

GpsdPeer::GpsdPeer()
{
    m_gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"));
    if (m_gpsd.isEmpty())
        m_gpsd = QStandardPaths::findExecutable(
            QStringLiteral("gpsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    m_gpspipe = QStandardPaths::findExecutable(QStringLiteral("gpspipe"));
}

GpsdPeer::~GpsdPeer()
{
    stop();
}

QString GpsdPeer::missingTools()
{
    const GpsdPeer probe;
    if (!probe.m_gpsd.isEmpty() && !probe.m_gpspipe.isEmpty())
        return {};
    return QStringLiteral("gpsd or gpspipe not installed (Debian packages gpsd and gpsd-clients); "
                          "the check against a real NMEA consumer is skipped");
}

bool GpsdPeer::start(const QString &device, QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no folder for gpsd's files");
        return false;
    }
    m_segmentsBefore = existingSegments();
    m_started = true;
    return startDaemon(device, error) && startClient(error);
}

bool GpsdPeer::startDaemon(const QString &device, QString *error)
{
    // Run as root, gpsd drops to an unprivileged user; let it read the terminal either way.
    ::chmod(device.toLocal8Bit().constData(), 0666);
    if (m_port == 0)
        m_port = freeTcpPort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GPSD_SHM_KEY"), QString::number(kExportKey));
    m_daemon.setProcessEnvironment(environment);
    inheritNoDescriptors(m_daemon);
    m_daemon.start(m_gpsd,
        {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"), QStringLiteral("-S"),
            QString::number(m_port), QStringLiteral("-F"), m_dir.filePath(QStringLiteral("sock")),
            QStringLiteral("-P"), m_dir.filePath(QStringLiteral("pid")), device});
    if (m_port > 0 && m_daemon.waitForStarted(kStartMs))
        return true;
    *error = QStringLiteral("gpsd: ") + m_daemon.errorString();
    return false;
}

bool GpsdPeer::startClient(QString *error)
{
    // gpsd needs a moment before it listens; gpspipe gives up at once if it cannot connect.
    const QString server = QStringLiteral("127.0.0.1:") + QString::number(m_port);
    const bool connected = waitUntil(
        [&] {
            endProcess(m_client);
            inheritNoDescriptors(m_client);
            m_client.start(m_gpspipe, {QStringLiteral("-w"), server});
            return m_client.waitForStarted(kStartMs) && !m_client.waitForFinished(300);
        },
        kStartMs);
    if (!connected
        || !waitUntil([this] { return !reports(QStringLiteral("WATCH")).isEmpty(); }, kStartMs)) {
        *error = QStringLiteral("gpspipe got no answer from gpsd: ") + daemonErrors();
        return false;
    }
    return true;
}

void GpsdPeer::stop()
{
    if (!m_started)
        return;
    m_started = false;
    endProcess(m_client, 3000);
    endProcess(m_daemon, 3000);
    removeOwnSegments();
}

bool GpsdPeer::restartDaemon(const QString &device, QString *error)
{
    endProcess(m_daemon, 3000);
    return startDaemon(device, error);
}

QList<QJsonObject> GpsdPeer::reports(const QString &klass)
{
    m_clientOutput += m_client.readAllStandardOutput();
    QList<QJsonObject> found;
    for (const QByteArray &line : m_clientOutput.split('\n')) {
        const QJsonObject report = QJsonDocument::fromJson(line).object();
        if (report.value(QStringLiteral("class")).toString() == klass)
            found << report;
    }
    return found;
}

QByteArray GpsdPeer::daemonErrors()
{
    return m_daemon.readAllStandardError();
}

void GpsdPeer::removeOwnSegments()
{
    // Only the segments this gpsd made, and only once nobody uses them.
    for (key_t key : gpsdSegmentKeys()) {
        const int id = ::shmget(key, 0, 0);
        shmid_ds info {};
        if (id < 0 || m_segmentsBefore.contains(key) || ::shmctl(id, IPC_STAT, &info) != 0)
            continue;
        if (info.shm_nattch == 0)
            ::shmctl(id, IPC_RMID, nullptr);
    }
}
