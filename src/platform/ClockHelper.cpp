#include "ClockHelper.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

ClockHelper::ClockHelper(
    const QString &program, int answerMs, const QProcessEnvironment &environment)
    : m_program(program)
    , m_answerMs(answerMs)
    , m_environment(environment)
{
    // A helper that has gone away must not end the program when it is written to; the write
    // fails instead (Qt ignores this signal for its own processes and sockets too).
    ::signal(SIGPIPE, SIG_IGN);
}

ClockHelper::~ClockHelper()
{
    // Closing its input ends the helper; it never outlives the program.
    stop(m_answerMs);
}

qint64 ClockHelper::start()
{
    QString why;
    return ensureRunning(&why) ? qint64(m_pid) : 0;
}

QString ClockHelper::find(const QString &executableDir)
{
    const QString name = QStringLiteral("horolux-settime");
    const QDir dir(executableDir);
    for (const QString &path :
        {dir.filePath(name), dir.filePath(QStringLiteral("../libexec/horolux/") + name)}) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

bool ClockHelper::ensureRunning(QString *why)
{
    if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0)
        return true;
    // Gone (or never started): what is left of it is cleared before a new one starts.
    m_pid = -1;
    stop(0);
    if (m_program.isEmpty()) {
        *why = QStringLiteral("the helper horolux-settime was not found");
        return false;
    }
    return spawn(why);
}

bool ClockHelper::spawn(QString *why)
{
    // Pipes rather than a socket pair: a pipe wakes the other side in half the time here.
    int requests[2];
    int answers[2];
    if (::pipe2(requests, O_CLOEXEC) != 0) {
        *why = QStringLiteral("no pipe for the helper: ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (::pipe2(answers, O_CLOEXEC) != 0) {
        *why = QStringLiteral("no pipe for the helper: ") + QString::fromLocal8Bit(strerror(errno));
        ::close(requests[0]);
        ::close(requests[1]);
        return false;
    }
    // It reads requests on standard input and answers on standard output; its standard error
    // stays the program's.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requests[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answers[1], STDOUT_FILENO);
    const QByteArray program = QFile::encodeName(m_program);
    std::vector<QByteArray> entries;
    for (const QString &entry : m_environment.toStringList())
        entries.push_back(entry.toLocal8Bit());
    std::vector<char *> environment;
    for (QByteArray &entry : entries)
        environment.push_back(entry.data());
    environment.push_back(nullptr);
    char *arguments[] = {const_cast<char *>(program.constData()), nullptr};
    pid_t pid = -1;
    const int failed
        = posix_spawn(&pid, program.constData(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(requests[0]);
    ::close(answers[1]);
    if (failed) {
        ::close(requests[1]);
        ::close(answers[0]);
        *why = QStringLiteral("the helper %1 cannot be started: %2")
                   .arg(m_program, QString::fromLocal8Bit(strerror(failed)));
        return false;
    }
    m_pid = pid;
    m_requests = requests[1];
    m_answers = answers[0];
    m_received.clear();
    return true;
}

QString ClockHelper::setSeconds(qint64 secondsSinceEpoch)
{
    QString why;
    if (!ensureRunning(&why))
        return why;
    m_received.clear(); // nothing is owed from an earlier request
    QByteArray answer;
    // The helper answers within a millisecond; one that does not is ended, not waited for.
    if (!send(QByteArray::number(secondsSinceEpoch) + '\n') || !readAnswer(&answer)) {
        stop(0);
        return QStringLiteral("the helper gave no answer");
    }
    if (answer == "ok")
        return {};
    return answer.startsWith("error ") ? QString::fromLocal8Bit(answer.mid(6))
                                       : QStringLiteral("the helper's answer was not understood");
}

bool ClockHelper::send(const QByteArray &request)
{
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n
            = ::write(m_requests, request.constData() + sent, size_t(request.size() - sent));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool ClockHelper::readAnswer(QByteArray *line)
{
    const QDeadlineTimer deadline(m_answerMs);
    while (!m_received.contains('\n')) {
        pollfd watched {m_answers, POLLIN, 0};
        const int ready = ::poll(&watched, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[256];
        const ssize_t n = ::read(m_answers, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        m_received.append(buffer, n);
    }
    const qsizetype end = m_received.indexOf('\n');
    *line = m_received.left(end).trimmed();
    m_received.remove(0, end + 1);
    return true;
}

void ClockHelper::stop(int graceMs)
{
    for (int *end : {&m_requests, &m_answers}) {
        if (*end >= 0)
            ::close(*end);
        *end = -1;
    }
    if (m_pid <= 0)
        return;
    // Its input closed, the helper ends by itself; one that does not is killed.
    const QDeadlineTimer deadline(graceMs);
    while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            break;
        }
        ::usleep(1000);
    }
    m_pid = -1;
}
