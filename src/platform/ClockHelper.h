#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

#include <sys/types.h>

// The running clock-setting helper (horolux-settime): the only program that holds the right to
// set the clock. One helper serves the program's whole run; it is started on first use and
// again after it has gone away. Requests go straight over two pipes, without an event loop:
// the clock is set from a sentence the moment it is decoded.
class ClockHelper
{
public:
    static constexpr int kAnswerMs = 2000;

    explicit ClockHelper(const QString &program, int answerMs = kAnswerMs,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    ~ClockHelper();
    ClockHelper(const ClockHelper &) = delete;
    ClockHelper &operator=(const ClockHelper &) = delete;

    // The helper beside the executable, else in <prefix>/libexec/horolux; empty when neither is.
    static QString find(const QString &executableDir);

    // Starts the helper now instead of at the first request; its process id, or 0.
    qint64 start();

    // Empty when the clock was set to this whole second (UTC); else why not.
    QString setSeconds(qint64 secondsSinceEpoch);

private:
    bool ensureRunning(QString *why);
    bool spawn(QString *why);
    bool send(const QByteArray &request);
    // The next line the helper writes, without its end; false when none came in time.
    bool readAnswer(QByteArray *line);
    void stop(int graceMs);

    QString m_program;
    int m_answerMs;
    QProcessEnvironment m_environment;
    pid_t m_pid = -1;
    int m_requests = -1;
    int m_answers = -1;
    QByteArray m_received;
};
