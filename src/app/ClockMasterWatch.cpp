#include "ClockMasterWatch.h"

#include "platform/Clock.h"
#include "platform/ClockMasterProbe.h"
#include "shell/UserNotice.h"

#include <QTimer>

ClockMasterWatch::ClockMasterWatch(Clock &clock, ClockMasterProbe *probe, UserNotice &notice)
    : m_clock(clock)
    , m_probe(probe)
    , m_notice(notice)
{
    // Another service setting the clock fights every hourly setting: look once, at the first.
    if (!probe)
        return;
    connect(&clock, &Clock::jumped, probe, &ClockMasterProbe::start);
    connect(&clock, &Clock::setRefused, probe, &ClockMasterProbe::start);
    connect(probe, &ClockMasterProbe::found, this, [this](const QString &name) {
        m_otherClockMaster = name;
        // A service that keeps the clock synchronised is left alone rather than fought.
        if (m_clock.keptSynchronised())
            tellClockLeftToTimeService();
        else
            m_notice.report(UserNotice::Cause::OtherClockMaster,
                name + QStringLiteral(" also keeps this computer's clock and fights our settings"));
    });
}

void ClockMasterWatch::leaveClockToTimeService()
{
    // Named when the probe finds the service; it looks once, and may take a moment to answer.
    if (!m_probe || !m_otherClockMaster.isEmpty()) {
        tellClockLeftToTimeService();
        return;
    }
    m_probe->start();
    QTimer::singleShot(kProbeAnswerMs, this, &ClockMasterWatch::tellClockLeftToTimeService);
}

void ClockMasterWatch::tellClockLeftToTimeService()
{
    m_notice.report(UserNotice::Cause::ClockLeftToTimeService,
        QStringLiteral("the clock is kept synchronised by ")
            + (m_otherClockMaster.isEmpty() ? QStringLiteral("another service")
                                            : m_otherClockMaster)
            + QStringLiteral("; the scheduled settings leave it alone"),
        m_otherClockMaster);
}
