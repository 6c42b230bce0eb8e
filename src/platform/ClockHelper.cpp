#include "ClockHelper.h"

#include "common/SystemTime.h"
#include "settime/SetTimeProtocol.h"

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

namespace {
QString systemError(const char *what, int error)
{
    return QString::fromLatin1(what) + QString::fromLocal8Bit(std::strerror(error));
}

// A null-terminated array of the strings, which stay owned by `storage`.
std::vector<char *> cStrings(const QStringList &strings, std::vector<QByteArray> &storage)
{
    for (const QString &string : strings)
        storage.push_back(string.toLocal8Bit());
    std::vector<char *> pointers;
    for (QByteArray &bytes : storage)
        pointers.push_back(bytes.data());
    pointers.push_back(nullptr);
    return pointers;
}
} // namespace

ClockHelper::ClockHelper(const QString &program, int answerMs, Launch launch)
    : m_program(program)
    , m_answerMs(answerMs)
    , m_launch(std::move(launch))
{
    // A helper that has gone away must not end the program when it is written to; the write
    // fails instead (Qt ignores this signal for its own processes and sockets too).
    ::signal(SIGPIPE, SIG_IGN);
}

ClockHelper::~ClockHelper()
{
    // Closing its input ends the helper; it never outlives the program for long, and the
    // program does not wait for it.
    stop(false);
}

qint64 ClockHelper::start()
{
    QString why;
    return ensureRunning(&why) ? qint64(m_pid) : 0;
}

QString ClockHelper::find(const QString &executableDir, const QString &systemDir)
{
    const QString name = QStringLiteral("horolux-settime");
    const QDir dir(executableDir);
    for (const QString &path : {dir.filePath(QStringLiteral("../libexec/horolux/") + name),
             QDir(systemDir).filePath(name)}) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

bool ClockHelper::ensureRunning(QString *why)
{
    reapEnded();
    if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0)
        return true;
    // Gone (or never started): what is left of it is cleared before a new one starts.
    m_pid = -1;
    stop(false);
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
        *why = systemError("no pipe for the helper: ", errno);
        return false;
    }
    if (::pipe2(answers, O_CLOEXEC) != 0) {
        *why = systemError("no pipe for the helper: ", errno);
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
    // Every signal at its default and none blocked, whatever the program ignores or blocks.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const QByteArray program = QFile::encodeName(m_program);
    std::vector<QByteArray> argumentBytes;
    std::vector<char *> arguments
        = cStrings(QStringList(m_program) + m_launch.arguments, argumentBytes);
    std::vector<QByteArray> environmentBytes;
    std::vector<char *> environment = cStrings(m_launch.environment, environmentBytes);
    pid_t pid = -1;
    const int failed = posix_spawn(
        &pid, program.constData(), &actions, &attributes, arguments.data(), environment.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(requests[0]);
    ::close(answers[1]);
    if (failed) {
        ::close(requests[1]);
        ::close(answers[0]);
        *why = QStringLiteral("the helper %1 cannot be started: %2")
                   .arg(m_program, QString::fromLocal8Bit(std::strerror(failed)));
        return false;
    }
    m_pid = pid;
    m_requests = requests[1];
    m_answers = answers[0];
    m_received.clear();
    return true;
}

QString ClockHelper::setMSecs(qint64 msecsSinceEpoch)
{
    QString why;
    if (!ensureRunning(&why))
        return why;
    m_received.clear(); // nothing is owed from an earlier request
    const QByteArray request = QByteArray::number(floorDiv(msecsSinceEpoch, 1000))
        + SETTIME_FRACTION_MARK
        + QByteArray::number(floorMod(msecsSinceEpoch, 1000)).rightJustified(3, '0') + '\n';
    QByteArray answer;
    // The helper answers within a millisecond; one that does not is ended, not waited for.
    if (!send(request) || !readAnswer(&answer)) {
        const bool talkedOn = m_received.size() >= SETTIME_MAX_ANSWER;
        stop(true);
        return talkedOn ? QStringLiteral("the helper's answer was not understood")
                        : QStringLiteral("the helper gave no answer");
    }
    if (answer == SETTIME_ANSWER_OK)
        return {};
    const QByteArray error = SETTIME_ANSWER_ERROR;
    return answer.startsWith(error) ? QString::fromLocal8Bit(answer.mid(error.size()))
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
    // No more than the longest answer is read: a helper that talks on is not listened to.
    while (!m_received.contains('\n') && m_received.size() < SETTIME_MAX_ANSWER) {
        pollfd watched {m_answers, POLLIN, 0};
        const int ready = ::poll(&watched, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[SETTIME_MAX_ANSWER];
        const ssize_t n = ::read(m_answers, buffer, size_t(SETTIME_MAX_ANSWER - m_received.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        m_received.append(buffer, n);
    }
    const qsizetype end = m_received.indexOf('\n');
    if (end < 0)
        return false;
    *line = m_received.left(end).trimmed();
    m_received.remove(0, end + 1);
    return true;
}

void ClockHelper::stop(bool kill)
{
    for (int *end : {&m_requests, &m_answers}) {
        if (*end >= 0)
            ::close(*end);
        *end = -1;
    }
    if (m_pid <= 0)
        return;
    // Its input closed, the helper ends by itself; one that hangs is killed. Either is collected
    // later, never waited for here.
    if (kill)
        ::kill(m_pid, SIGKILL);
    m_ending.append(m_pid);
    m_pid = -1;
    reapEnded();
}

void ClockHelper::reapEnded()
{
    m_ending.removeIf([](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}
