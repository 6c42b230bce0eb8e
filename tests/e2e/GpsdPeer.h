#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

// gpsd reading one serial device, with gpspipe watching its reports: a real NMEA consumer on
// the far end of the program's transmit line.
class GpsdPeer
{
public:
    GpsdPeer();
    ~GpsdPeer();
    GpsdPeer(const GpsdPeer &) = delete;
    GpsdPeer &operator=(const GpsdPeer &) = delete;

    // What the machine lacks to run gpsd here, as a message; empty when it has everything.
    static QString missingTools();

    // Starts gpsd on the device and a client watching it; false with *error set on failure.
    bool start(const QString &device, QString *error);
    void stop();
    // Ends gpsd and starts it again on the same port; its client is not restarted.
    bool restartDaemon(const QString &device, QString *error);
    // Where gpsd listens for clients on 127.0.0.1.
    int port() const { return m_port; }

    // The reports of this class ("TPV", "WATCH", ...) the client has received so far.
    QList<QJsonObject> reports(const QString &klass);
    QByteArray daemonErrors();

private:
    bool startDaemon(const QString &device, QString *error);
    bool startClient(QString *error);
    void removeOwnSegments();

    QString m_gpsd;
    QString m_gpspipe;
    QTemporaryDir m_dir;
    int m_port = 0;
    QProcess m_daemon;
    QProcess m_client;
    QByteArray m_clientOutput;
    QSet<key_t> m_segmentsBefore;
    bool m_started = false;
};
