#include "Clock.h"

#include "Timer.h"

#include <utility>

#include <QTimerEvent>
#include <QVarLengthArray>
#include <ctime>

Clock::Clock(QObject *parent)
    : QObject(parent)
{
    connect(this, &Clock::secondBegan, this, &Clock::tickFollowers);
}

qint64 Clock::steadyNanos() const
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 * 1000 * 1000 + now.tv_nsec;
}

QString Clock::localTimeText() const
{
    // A tick asks for it several times; it changes only with the second.
    const qint64 now = currentMSecsSinceEpoch();
    const qint64 second = floorDiv(now, 1000);
    if (second != m_textSecond || m_text.isNull()) {
        // As toString("HH:mm:ss") gives it, written digit by digit: a hidden program does this
        // every second, and little code run means little of it to bring back into the caches.
        const QTime time = localTimeOfDay(now);
        const int fields[] = {time.hour(), time.minute(), time.second()};
        QString text(8, QLatin1Char(':'));
        QChar *digits = text.data();
        for (int i = 0; i < 3; ++i) {
            digits[3 * i] = QLatin1Char(char('0' + fields[i] / 10));
            digits[3 * i + 1] = QLatin1Char(char('0' + fields[i] % 10));
        }
        m_text = text;
        m_textSecond = second;
    }
    return m_text;
}

qint64 Clock::msecsToNextSecond() const
{
    const qint64 now = currentMSecsSinceEpoch();
    const qint64 intoSecond = floorMod(now, 1000);
    return 1000 - intoSecond;
}

SYSTEMTIME Clock::GetSystemTime() const
{
    return systemTimeFromMSecs(currentMSecsSinceEpoch());
}

bool Clock::SetSystemTime(const SYSTEMTIME &time)
{
    const auto msecs = msecsFromSystemTime(time);
    if (!msecs)
        return false;
    const qint64 before = currentMSecsSinceEpoch();
    if (!setCurrentMSecsSinceEpoch(*msecs)) {
        if (lastRefusalWantsRight())
            emit setRefused();
        return false;
    }
    emit stepped(*msecs - before);
    emit jumped();
    return true;
}

QString Clock::howToAllowSetting()
{
    return QStringLiteral("join the group horolux (sudo adduser $USER horolux) and log in again; "
                          "see \"The right to set the clock\" in the README");
}

void Clock::addSecondFollower(Timer *timer)
{
    if (m_followers.contains(timer))
        return;
    if (timer->leadsEachSecond())
        m_followers.prepend(timer);
    else
        m_followers.append(timer);
    if (m_followers.size() == 1)
        followSeconds(true);
}

void Clock::removeSecondFollower(Timer *timer)
{
    if (m_followers.removeAll(timer) > 0 && m_followers.isEmpty())
        followSeconds(false);
}

void Clock::tickFollowers()
{
    QVarLengthArray<Timer *, 4> due;
    for (const QPointer<Timer> &timer : std::as_const(m_followers)) {
        if (timer && timer->wantsTick())
            due.append(timer);
    }
    if (due.isEmpty())
        return;
    // The first one's handler may wait in a loop of its own: the others' ticks are queued
    // before it runs, so that they come on time inside that loop, after it, in their order.
    // A lone tick runs at once, in the same wake-up of the program.
    for (qsizetype i = m_ticksAtOnce ? 1 : 0; i < due.size(); ++i)
        due[i]->queueTick();
    if (m_ticksAtOnce)
        due.first()->tickNow();
    prepareNextSecond();
}

void Clock::followSeconds(bool on)
{
    if (m_secondTimerId)
        killTimer(m_secondTimerId);
    m_secondTimerId = on ? startTimer(int(msecsToNextSecond()), Qt::PreciseTimer) : 0;
}

void Clock::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_secondTimerId)
        return QObject::timerEvent(event);
    Clock::followSeconds(true);
    emit secondBegan();
}
