#include "ClockMasterProbe.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

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
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        // The kernel cuts process names to 15 characters.
        const QString name = QString::fromLocal8Bit(comm.readAll().trimmed());
        if (services.contains(name))
            return name == services.last() ? QStringLiteral("systemd-timesyncd") : name;
    }
    return {};
}

void ClockMasterProbe::askTimedated()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.timedate1"),
        QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.timedate1") << QStringLiteral("NTP");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
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
