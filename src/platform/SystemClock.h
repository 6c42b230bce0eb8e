#pragma once

#include "Clock.h"

// The computer's real-time clock. Setting it needs CAP_SYS_TIME.
class SystemClock : public Clock
{
public:
    using Clock::Clock;

    qint64 currentMSecsSinceEpoch() const override;
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override;
    QDateTime toLocal(qint64 msecs) const override;

private:
    bool m_refusalReported = false;
};
