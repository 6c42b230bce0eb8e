#include "UserNotice.h"

#include "common/Log.h"
#include "dialogs/Form10.h"
#include "platform/Clock.h"

#include <QEvent>
#include <QSystemTrayIcon>
#include <utility>

UserNotice::UserNotice(Wiring wiring)
    : m_w(std::move(wiring))
{ }

QString UserNotice::title()
{
    return QStringLiteral("Horolux");
}

QString UserNotice::text(Cause cause, const QString &subject)
{
    switch (cause) {
    case Cause::ClockNotSettable:
        return QStringLiteral("The computer clock cannot be set: Horolux lacks the right to set "
                              "it. To give it, ")
            + Clock::howToAllowSetting() + QLatin1Char('.');
    case Cause::ReceivePortDenied:
        return QStringLiteral("The receiver's port cannot be opened: access is denied. Make "
                              "your user a member of the group dialout, then log in again.");
    case Cause::RightsDropped:
        return QStringLiteral("Horolux was started with rights beyond your user's and gave them "
                              "up. Only its helper horolux-settime may set the clock: ")
            + Clock::howToAllowSetting() + QLatin1Char('.');
    case Cause::OtherClockMaster:
        return QStringLiteral("Another service also keeps this computer's clock and will undo or "
                              "fight every hourly setting. Either stop that service, or let it "
                              "take its time from the receiver instead.");
    case Cause::HistoryNotWritten:
        return QStringLiteral(
            "The history of settings is not kept: history.csv cannot be written "
            "in Horolux's state folder (~/.local/state/horolux, or the program's "
            "own folder when portable). Make that folder writable for your user.");
    case Cause::ClockLeftToTimeService:
        return (subject.isEmpty() ? QStringLiteral("Another time service")
                                  : QStringLiteral("A time service (") + subject + u')')
            + QStringLiteral(" keeps this computer's clock synchronised, so Horolux leaves the "
                             "clock alone: it no longer sets it every hour, and \"Set Time\" "
                             "still sets it when you ask. To hand the clock to Horolux instead, "
                             "stop that service (for systemd's: sudo timedatectl set-ntp false).");
    case Cause::MasterClockNotReading:
        return QStringLiteral("The master clock takes no more sentences from the transmit port; "
                              "the unsent ones are dropped. Check that it is connected and on.");
    case Cause::SettingsNotSaved:
        return QStringLiteral("Settings will not be saved: GPSInit.ini in the settings folder is a "
                              "link or not a plain file. Replace it with a plain file.");
    }
    return {};
}

void UserNotice::report(Cause cause, const QString &stderrLine, const QString &subject)
{
    if (m_reported.contains(cause))
        return;
    m_reported.append(cause);
    m_subjects.insert(cause, subject);
    if (!stderrLine.isEmpty())
        qCWarning(lcHorolux, "%s", qUtf8Printable(stderrLine));
    QMetaObject::invokeMethod(
        this, [this, cause] { show(cause); }, Qt::QueuedConnection);
}

void UserNotice::show(Cause cause)
{
    if (m_w.shuttingDown)
        return;
    const QString told = text(cause, m_subjects.value(cause));
    QSystemTrayIcon *icon = m_w.trayIcon();
    if (m_w.hasNotificationArea() && icon) {
        icon->showMessage(title(), told, QSystemTrayIcon::Warning);
    } else {
        Form10 *box = m_w.messageBox();
        if (box->isVisible()) {
            // Another message is up, perhaps waited for: this one follows when it closes.
            m_waiting.append(cause);
            box->installEventFilter(this);
            return;
        }
        box->ShowNotice(told, MessageBox::Exclamation, title());
    }
    emit shown(told);
}

bool UserNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && !m_waiting.isEmpty()) {
        const Cause next = m_waiting.takeFirst();
        QMetaObject::invokeMethod(
            this, [this, next] { show(next); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
