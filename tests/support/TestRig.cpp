#include "TestRig.h"

#include "serial/DevicePortFactory.h"
#include "shell/Shutdown.h"

#include <QTimeZone>

QDateTime TestRig::defaultStart()
{
    return QDateTime(QDate(2026, 12, 7), QTime(10, 25, 40), QTimeZone::utc());
}

TestRig::TestRig(const QDateTime &startUtc, std::unique_ptr<SerialDeviceFactory> ports)
    : m_clock(startUtc)
    , m_ports(ports ? std::move(ports) : std::make_unique<DevicePortFactory>(m_dir.path()))
{
    HoroluxApp::Environment environment;
    environment.clock = &m_clock;
    environment.ports = m_ports.get();
    environment.executableDir = m_dir.path();
    environment.runtimeDir = m_dir.path() + QStringLiteral("/run");
    environment.clockFloorMSecs = buildTime().toMSecsSinceEpoch();
    m_app = std::make_unique<HoroluxApp>(environment);
    // A test process must never end in the middle of a test.
    m_app->shutdown().setProcessEnd([this](int code) { m_processEnds << code; });
    // Tests play a desktop with a notification area, where the program starts hidden.
    m_app->setNotificationArea(true);
    QObject::connect(&m_driver, &QTimer::timeout, &m_driver, [this] { m_clock.advance(1000); });
}

TestRig::~TestRig()
{
    m_driver.stop();
    m_app.reset();
}

void TestRig::runClock(int realMs)
{
    m_driver.start(realMs);
}

void TestRig::stopClock()
{
    m_driver.stop();
}
