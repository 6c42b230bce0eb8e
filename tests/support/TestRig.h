#pragma once

#include "app/HoroluxApp.h"
#include "platform/ManualClock.h"

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

class SerialDeviceFactory;

// A fresh program for one test: a temporary executable folder, a clock that moves only when told
// to, and real device ports (ports/COMn links) unless the test hands in its own.
class TestRig
{
public:
    static QDateTime defaultStart();
    // The build time the program is given: a week before the default start, whenever the tests
    // themselves were built. No clock setting goes below it.
    static QDateTime buildTime() { return defaultStart().addDays(-7); }

    explicit TestRig(const QDateTime &startUtc = defaultStart(),
        std::unique_ptr<SerialDeviceFactory> ports = nullptr);
    ~TestRig();

    QString folder() const { return m_dir.path(); }
    ManualClock &clock() { return m_clock; }
    HoroluxApp &app() { return *m_app; }
    Module1 &m() { return m_app->module1(); }

    // How often, and with which codes, the program asked to end its process.
    QList<int> processEnds() const { return m_processEnds; }

    // Moves the clock on by one second every realMs of real time, so that waits counted in
    // clock seconds end quickly; stopClock() stops it.
    void runClock(int realMs = 5);
    void stopClock();

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    std::unique_ptr<SerialDeviceFactory> m_ports;
    std::unique_ptr<HoroluxApp> m_app;
    QTimer m_driver;
    QList<int> m_processEnds;
};
