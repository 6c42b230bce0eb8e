#pragma once

#include "common/SystemTime.h"

#include <QDateTime>
#include <QObject>

// Every reading and every change of the time goes through one of these.
class Clock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual qint64 currentMSecsSinceEpoch() const = 0;
    // False when the operating system refuses the change.
    virtual bool setCurrentMSecsSinceEpoch(qint64 msecs) = 0;
    virtual QDateTime toLocal(qint64 msecs) const = 0;

    QDateTime localNow() const { return toLocal(currentMSecsSinceEpoch()); }
    // Local time as "hh:mm:ss", 24-hour.
    QString localTimeText() const;
    qint64 msecsToNextSecond() const;

    SYSTEMTIME GetSystemTime() const;
    // Refuses records that name no real moment, as the system call would.
    bool SetSystemTime(const SYSTEMTIME &time);

    // What the user does so that the program may set the clock; the one place that says it.
    static QString howToAllowSetting();

signals:
    // The clock was moved (set by the program or, for a test clock, advanced).
    void jumped();
    // The operating system refused to set the clock.
    void setRefused();
};
