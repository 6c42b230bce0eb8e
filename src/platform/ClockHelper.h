#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The running clock-setting helper (horolux-settime): the only program that holds the right to
// set the clock. One helper serves the program's whole run; it is started on first use and
// again after it has gone away. Requests go straight over two pipes, without an event loop:
// the clock is set from a sentence the moment it is decoded.
class ClockHelper
{
public:
    static constexpr int kAnswerMs = 2000;
    // Where allow-clock.sh installs the helper for a portable folder.
    static constexpr const char *kSystemDir = "/usr/local/libexec/horolux";

    // What a test hands the helper it starts (the clock shim, a stamp file of its own). The
    // program passes nothing, not even its environment: the loader still reads some variables
    // (GLIBC_TUNABLES) in a program that holds a capability.
    struct Launch
    {
        QStringList environment;
        QStringList arguments;
    };

    explicit ClockHelper(const QString &program, int answerMs = kAnswerMs, Launch launch = {});
    ~ClockHelper();
    ClockHelper(const ClockHelper &) = delete;
    ClockHelper &operator=(const ClockHelper &) = delete;

    // The helper of an installed program (<prefix>/libexec/horolux beside <prefix>/bin), else
    // the one allow-clock.sh installed in systemDir; empty when neither is. Never one beside the
    // executable: in a portable folder its user could swap it.
    static QString find(
        const QString &executableDir, const QString &systemDir = QString::fromLatin1(kSystemDir));

    // Starts the helper now instead of at the first request; its process id, or 0.
    qint64 start();

    // Empty when the clock was set to this moment (UTC, to the millisecond); else why not.
    [[nodiscard]] QString setMSecs(qint64 msecsSinceEpoch);

private:
    bool ensureRunning(QString *why);
    bool spawn(QString *why);
    bool send(const QByteArray &request);
    // The next line the helper writes, without its end; false when none came in time.
    bool readAnswer(QByteArray *line);
    // Closes the pipes; a helper that does not end at once is killed when `kill` is set.
    void stop(bool kill);
    // Collects the helpers that have ended, without waiting for any.
    void reapEnded();

    QString m_program;
    int m_answerMs;
    Launch m_launch;
    pid_t m_pid = -1;
    int m_requests = -1;
    int m_answers = -1;
    QByteArray m_received;
    QList<pid_t> m_ending;
};
