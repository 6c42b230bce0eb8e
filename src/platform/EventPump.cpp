#include "EventPump.h"

#include <QCoreApplication>

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

} // namespace EventPump
