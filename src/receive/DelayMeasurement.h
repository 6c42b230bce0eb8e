#pragma once

#include "DelaySamples.h"
#include "RmcHeadMatcher.h"
#include "RmcLineCollector.h"
#include "serial/MSComm.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class Clock;
struct Module1;

// Measures how long after the start of its second the receiver on the receive port begins its
// RMC sentence, which the receiver cannot tell: the computer's clock, kept right by a time
// service, stamps each sentence's last character. Listens between the program's own searches,
// woken by the port as characters arrive; a search that begins meanwhile goes first.
class DelayMeasurement : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSeconds = 20;

    struct Wiring
    {
        // receivePort; receiveBusy and shuttingDown end the listening.
        const Module1 &module1;
        const Clock &clock;
        std::function<MSComm &()> port;
        // As for the program's searches: "RMC," after any two capitals counts too.
        std::function<bool()> anyTalker;
    };

    explicit DelayMeasurement(Wiring wiring, QObject *parent = nullptr);
    ~DelayMeasurement() override;

    // The port measured: the receive port, 0 when there is none.
    int portNumber() const;
    // Why measuring cannot start now; empty when it can.
    QString whyNot() const;
    bool running() const { return m_listened != nullptr; }

    // Listens for up to kSeconds; the outcome comes as measured() or failed().
    void start();
    // Stops without a word; for the one who asked.
    void stop();

signals:
    void progress(const QString &text);
    void measured(int delayMillis, const QString &text);
    void failed(const QString &text);

private:
    void onInput();
    void feed(QByteArrayView text);
    void takeLine();
    [[nodiscard]] bool keepsListening();
    void look();
    void fail(const QString &text);

    Wiring m_w;
    MSComm *m_listened = nullptr;
    std::optional<MSComm::ReadingScope> m_reading;
    RmcHeadMatcher m_head;
    RmcLineCollector m_line;
    DelaySamples m_samples;
    qint64 m_endNanos = 0;
    QTimer m_countdown;
};
