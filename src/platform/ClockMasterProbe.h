#pragma once

#include <QObject>
#include <QString>

// Looks, without blocking, for another service that keeps this computer's clock: systemd's
// time service with NTP switched on, or a running chronyd, ntpd or systemd-timesyncd. Such a
// service undoes or fights every hourly setting of ours.
class ClockMasterProbe : public QObject
{
    Q_OBJECT
public:
    // procRoot: where running processes are listed (/proc; a test folder in tests).
    explicit ClockMasterProbe(
        const QString &procRoot = QStringLiteral("/proc"), QObject *parent = nullptr);

    // Reports at most one finding a run, however often it is called.
    void start();

signals:
    // name: the service found, as the user knows it.
    void found(const QString &name);

private:
    QString runningTimeService() const;
    bool isService(const QString &pidDir, const QString &name) const;
    void askTimedated();
    void callTimedated();
    void report(const QString &name);

    QString m_procRoot;
    bool m_started = false;
    bool m_reported = false;
};
