#pragma once

#include "Clock.h"

#include <memory>

class ClockHelper;

// The computer's real-time clock. Real root sets it directly; everyone else through the
// clock-setting helper, which alone holds the right to set it.
class SystemClock : public Clock
{
public:
    // helperProgram: the helper to use when not root (ClockHelper::find); empty if there is none.
    explicit SystemClock(const QString &helperProgram = {}, QObject *parent = nullptr);
    ~SystemClock() override;

    qint64 currentMSecsSinceEpoch() const override;
    bool setCurrentMSecsSinceEpoch(qint64 msecs) override;
    QDateTime toLocal(qint64 msecs) const override;

private:
    QString setDirectly(qint64 msecs);

    std::unique_ptr<ClockHelper> m_helper;
    bool m_refusalReported = false;
};
