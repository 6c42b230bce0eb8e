#include "EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

namespace {
// Characters already buffered come far faster than anyone can see: between them the program's
// own queued events run every time, the window system's queue (a poll of every descriptor, more
// than a character costs) at most once in this many nanoseconds.
constexpr qint64 kBurstPollNs = 200'000;
QElapsedTimer sinceWindowSystemPass;
} // namespace

namespace EventPump {

void processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceWindowSystemPass.start();
}

void waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    sinceWindowSystemPass.start();
}

void yieldBetweenReads()
{
    if (sinceWindowSystemPass.isValid() && sinceWindowSystemPass.nsecsElapsed() < kBurstPollNs)
        QCoreApplication::sendPostedEvents();
    else
        processPending();
}

void step(bool moreInputWaiting)
{
    if (moreInputWaiting)
        yieldBetweenReads();
    else
        waitForEvents();
}

WaitEnd waitWhile(const bool &shuttingDown, const std::function<bool()> &keepWaiting,
    const std::function<bool()> &pass, const QObject *guard)
{
    const QPointer<const QObject> guarded(guard);
    for (;;) {
        if (guard && !guarded)
            return WaitEnd::GuardGone;
        if (!keepWaiting())
            return WaitEnd::Condition;
        if (shuttingDown)
            return WaitEnd::ShuttingDown;
        step(pass && pass());
    }
}

} // namespace EventPump
