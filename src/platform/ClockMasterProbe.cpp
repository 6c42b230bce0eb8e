#include "ClockMasterProbe.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <memory>

namespace {
// Users from this id on are people (Debian's UID_MIN); services run below it.
constexpr uint kFirstPersonUid = 1000;
constexpr int kCallTimeoutMs = 5000;
} // namespace

ClockMasterProbe::ClockMasterProbe(const QString &procRoot, QObject *parent)
    : QObject(parent)
    , m_procRoot(procRoot)
{ }

void ClockMasterProbe::start()
{
    if (m_started)
        return;
    m_started = true;
    const QString running = runningTimeService();
    if (!running.isEmpty())
        report(running);
    else
        askTimedated();
}

QString ClockMasterProbe::runningTimeService() const
{
    static const QStringList services
        = {QStringLiteral("chronyd"), QStringLiteral("ntpd"), QStringLiteral("systemd-timesyn")};
    const QDir proc(m_procRoot);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(proc.filePath(pid + QStringLiteral("/comm")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // The kernel cuts process names to 15 characters.
        const QString comm = QString::fromLocal8Bit(file.readAll().trimmed());
        if (!services.contains(comm))
            continue;
        const QString name = comm == services.last() ? QStringLiteral("systemd-timesyncd") : comm;
        if (isService(proc.filePath(pid), name))
            return name;
    }
    return {};
}

bool ClockMasterProbe::isService(const QString &pidDir, const QString &name) const
{
    // Any program may call itself chronyd. Its executable tells, where we may read it (our own
    // processes); a service's we may not read, but it runs as a system user, never as a person.
    QString target = QFileInfo(pidDir + QStringLiteral("/exe")).symLinkTarget();
    // A service that runs on after an upgrade replaced its file.
    target.remove(QRegularExpression(QStringLiteral(" \\(deleted\\)$")));
    if (!target.isEmpty())
        return QFileInfo(target).fileName() == name;
    return QFileInfo(pidDir).ownerId() < kFirstPersonUid;
}

void ClockMasterProbe::askTimedated()
{
    // Connecting waits for the bus to answer, for ever when it hangs: on a thread of its own,
    // which the program never waits for.
    auto connected = std::make_shared<std::atomic_bool>(false);
    QThread *thread = QThread::create(
        [connected] { connected->store(QDBusConnection::systemBus().isConnected()); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, connected] {
        if (connected->load())
            callTimedated();
    });
    thread->start();
}

void ClockMasterProbe::callTimedated()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.timedate1"),
        QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.timedate1") << QStringLiteral("NTP");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (!reply.isError() && reply.value().variant().toBool())
            report(QStringLiteral("systemd-timedated (NTP on)"));
        w->deleteLater();
    });
}

void ClockMasterProbe::report(const QString &name)
{
    if (m_reported)
        return;
    m_reported = true;
    emit found(name);
}
