#include "HoroluxApp.h"

#include "Form1.h"
#include "MenuCommands.h"
#include "Shutdown.h"
#include "TrayIcon.h"
#include "UserNotice.h"
#include "WindowVisibility.h"
#include "dialogs/Form10.h"
#include "dialogs/Form9.h"
#include "platform/Clock.h"
#include "receive/ClockSetting.h"
#include "receive/MainClockCycle.h"
#include "receive/RmcReceiver.h"
#include "setup/Form5.h"
#include "transmit/Form4.h"
#include "transmit/RmcTransmitter.h"
#include "transmit/TransmissionDisplay.h"

#include <QSystemTrayIcon>

HoroluxApp::HoroluxApp(const Environment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_receiver(std::make_unique<RmcReceiver>(*this))
    , m_clockSetting(std::make_unique<ClockSetting>(*this))
    , m_mainClockCycle(std::make_unique<MainClockCycle>(*this))
    , m_transmitter(std::make_unique<RmcTransmitter>(*this))
    , m_transmissionDisplay(std::make_unique<TransmissionDisplay>(*this))
    , m_trayIcon(std::make_unique<TrayIcon>(*this))
    , m_windowVisibility(std::make_unique<WindowVisibility>(*this))
    , m_menuCommands(std::make_unique<MenuCommands>(*this))
    , m_shutdown(std::make_unique<Shutdown>(*this))
    , m_userNotice(std::make_unique<UserNotice>(*this))
{
    connect(m_env.clock, &Clock::setRefused, m_userNotice.get(),
        [this] { m_userNotice->report(UserNotice::Cause::ClockNotSettable); });
}

HoroluxApp::~HoroluxApp()
{
    // Windows go before the objects their handlers call into.
    m_form10.reset();
    m_form9.reset();
    m_form5.reset();
    m_form4.reset();
    m_form1.reset();
}

bool HoroluxApp::hasNotificationArea() const
{
    return m_notificationArea ? *m_notificationArea : QSystemTrayIcon::isSystemTrayAvailable();
}

void HoroluxApp::start()
{
    form1()->Form_Load();
}

Form1 *HoroluxApp::form1()
{
    if (!m_form1)
        m_form1 = std::make_unique<Form1>(*this);
    return m_form1.get();
}

Form4 *HoroluxApp::form4()
{
    if (!m_form4)
        m_form4 = std::make_unique<Form4>(*this);
    return m_form4.get();
}

Form5 *HoroluxApp::form5()
{
    if (!m_form5) {
        m_form5 = std::make_unique<Form5>(*this);
        m_form5->Form_Load();
    }
    return m_form5.get();
}

Form9 *HoroluxApp::form9()
{
    if (!m_form9) {
        m_form9 = std::make_unique<Form9>(*this);
        m_form9->Form_Load();
    }
    return m_form9.get();
}

Form10 *HoroluxApp::form10()
{
    if (!m_form10) {
        m_form10 = std::make_unique<Form10>(*this);
        m_form10->Form_Load();
    }
    return m_form10.get();
}

void HoroluxApp::ShowMessageBox(const QString &text, int icon, int buttons, const QString &title)
{
    form10()->ShowMessageBox(text, icon, buttons, title);
}

bool HoroluxApp::receiveIntoClockFields()
{
    Module1 &m = m_module1;
    return m_receiver->ReceiveRmc(m.gpsYear, m.gpsMonth, m.gpsDayOfWeek, m.gpsDay, m.gpsHour,
        m.gpsMinute, m.gpsSecond, m.gpsMilliseconds);
}
