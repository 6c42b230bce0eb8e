#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class Form10;
class QSystemTrayIcon;

// Failures the user has to act on. Nobody reads standard error of a program started from a
// desktop menu, so each cause is told once a run: as a tray balloon where there is a tray, else
// in the program's own message box, which is not waited for and leaves the main window usable.
// Parts of the program report here; none of them touches a window for it.
class UserNotice : public QObject
{
    Q_OBJECT
public:
    enum class Cause {
        ClockNotSettable,
        ReceivePortDenied,
        SettingsNotSaved,
        RightsDropped,
        OtherClockMaster,
        HistoryNotWritten,
        MasterClockNotReading,
        ClockLeftToTimeService
    };

    struct Wiring
    {
        const bool &shuttingDown;
        // The icon on the desktop while installed, else null.
        std::function<QSystemTrayIcon *()> trayIcon;
        std::function<bool()> hasNotificationArea;
        std::function<Form10 *()> messageBox;
    };

    explicit UserNotice(Wiring wiring);

    // Told after the handler that met the failure has returned. stderrLine, when given, is
    // written to standard error the first time.
    // subject, when given, names what the text speaks of (the other time service).
    void report(Cause cause, const QString &stderrLine = {}, const QString &subject = {});

    static QString title();
    // What happened and the one thing to do about it.
    static QString text(Cause cause, const QString &subject = {});

signals:
    void shown(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(Cause cause);

    Wiring m_w;
    QList<Cause> m_reported;
    QHash<Cause, QString> m_subjects;
    // Waiting for the message box in use to close.
    QList<Cause> m_waiting;
};
