#pragma once

#include <QObject>
#include <csignal>
#include <vector>

class QSocketNotifier;

// Tells when the system wants the program to end: a termination signal (SIGTERM, SIGINT,
// SIGHUP), the session manager asking to save before the session ends, or a quit request from
// the window system. Signals are passed through a socket pair, so the program reacts from its
// event loop, also from inside a loop that is waiting for something else.
//
// Signal handlers belong to the whole process: one watcher at a time.
class SessionEndWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SessionEndWatcher(QObject *parent = nullptr);
    ~SessionEndWatcher() override;

signals:
    void endRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installSignalHandlers();
    void restoreSignalHandlers();
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
    std::vector<std::pair<int, struct sigaction>> m_previous;
};
