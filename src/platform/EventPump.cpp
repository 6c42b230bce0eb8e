#include "EventPump.h"

#include <QCoreApplication>
#include <QPointer>

namespace EventPump {

void processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void step(bool moreInputWaiting)
{
    if (moreInputWaiting)
        processPending();
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
