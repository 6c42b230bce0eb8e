#include "SessionEndWatcher.h"

#include "common/Log.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the signal handler, read by the event loop.
std::atomic<int> s_writeEnd {-1};
int s_readEnd = -1;

void onSignal(int number)
{
    const int savedErrno = errno;
    const char byte = char(number);
    // Non-blocking: a flood of signals must never stall the handler.
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd.load(), &byte, 1);
    errno = savedErrno;
}
} // namespace

SessionEndWatcher::SessionEndWatcher(QObject *parent)
    : QObject(parent)
{
    installSignalHandlers();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // Let the session manager's save finish before the program goes.
        connect(app, &QGuiApplication::commitDataRequest, this,
            [this] { QTimer::singleShot(0, this, &SessionEndWatcher::endRequested); });
        app->installEventFilter(this);
    }
    if (QCoreApplication::instance()) {
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &SessionEndWatcher::endRequested);
    }
}

SessionEndWatcher::~SessionEndWatcher()
{
    restoreSignalHandlers();
}

void SessionEndWatcher::installSignalHandlers()
{
    int ends[2];
    if (s_writeEnd.load() >= 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) {
        qCWarning(lcHorolux, "termination signals are not watched");
        return;
    }
    s_readEnd = ends[0];
    s_writeEnd.store(ends[1]);
    m_notifier = new QSocketNotifier(s_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEndWatcher::readSignals);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) {
        struct sigaction previous = {};
        if (::sigaction(number, &action, &previous) == 0)
            m_previous.emplace_back(number, previous);
    }
}

void SessionEndWatcher::restoreSignalHandlers()
{
    if (!m_notifier)
        return;
    for (const auto &[number, previous] : m_previous)
        ::sigaction(number, &previous, nullptr);
    m_previous.clear();
    delete m_notifier;
    m_notifier = nullptr;
    ::close(s_writeEnd.exchange(-1));
    ::close(s_readEnd);
    s_readEnd = -1;
}

void SessionEndWatcher::readSignals()
{
    char bytes[64];
    bool any = false;
    while (::read(s_readEnd, bytes, sizeof bytes) > 0)
        any = true;
    // However many signals came together, the program ends once.
    if (any)
        emit endRequested();
}

bool SessionEndWatcher::eventFilter(QObject *watched, QEvent *event)
{
    // A quit request would otherwise close the windows, and the main window only hides.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        emit endRequested();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
