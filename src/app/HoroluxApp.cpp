#include "HoroluxApp.h"

#include "ClockMasterWatch.h"
#include "MainWindowAdapters.h"
#include "common/SystemTime.h"
#include "dialogs/Form10.h"
#include "dialogs/Form9.h"
#include "history/HistoryFeed.h"
#include "history/HistoryRecord.h"
#include "history/HistoryWindow.h"
#include "platform/Clock.h"
#include "platform/Twips.h"
#include "receive/ClockSetting.h"
#include "receive/DelayMeasurement.h"
#include "receive/MainClockCycle.h"
#include "receive/RmcDecoder.h"
#include "receive/RmcReceiver.h"
#include "receive/SettingMoment.h"
#include "serial/PortMap.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "shell/SetupCommands.h"
#include "shell/Shutdown.h"
#include "shell/SingleInstance.h"
#include "shell/Startup.h"
#include "shell/TrayIcon.h"
#include "shell/UserNotice.h"
#include "shell/WindowVisibility.h"
#include "transmit/Form4.h"
#include "transmit/MonitorTextBox.h"
#include "transmit/RmcTransmitter.h"
#include "transmit/TransmissionDisplay.h"

#include <QAction>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <utility>

HoroluxApp::HoroluxApp(const Environment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_ports(*environment.ports,
          [this](const QString &reason) { m_setupHost->reportReceivePortDenied(reason); })
    , m_historyRecord(std::make_unique<HistoryRecord>(
          m_env.stateDir.isEmpty() ? settingsDir() : m_env.stateDir, clock()))
    , m_historyFeed(std::make_unique<HistoryFeed>(*m_historyRecord, clock()))
    , m_receiverView(std::make_unique<MainWindowReceiverView>(*this))
    , m_setupHost(std::make_unique<MainWindowSetupHost>(*this))
    , m_receiver(std::make_unique<RmcReceiver>(
          RmcReceiver::Wiring {m_module1, clock(), [this]() -> MSComm & { return receivePort(); },
              *m_receiverView, [this] { return anyTalkerOnReceivePort(); },
              [this](const RmcDecode &decode) { recordDecode(decode); }}))
    , m_delayMeasurement(std::make_unique<DelayMeasurement>(DelayMeasurement::Wiring {m_module1,
          clock(), [this]() -> MSComm & { return receivePort(); },
          [this] { return anyTalkerOnReceivePort(); }}))
    , m_clockSetting(std::make_unique<ClockSetting>(ClockSetting::Wiring {m_module1, clock(),
          *m_receiver, [this]() -> MSComm & { return receivePort(); },
          [this] { return m_module1.waitForLock == 1; }, m_env.clockFloorMSecs,
          [this] { m_clockMasterWatch->leaveClockToTimeService(); }}))
    , m_transmitter(std::make_unique<RmcTransmitter>(RmcTransmitter::Wiring {m_module1, clock(),
          [this]() -> MSComm & { return receivePort(); },
          [this]() -> MSComm & { return transmitPort(); },
          [this](const QString &text) { showOnMonitor(text); },
          [this](const SYSTEMTIME &named) {
              m_historyFeed->sent(msecsFromSystemTime(named).value_or(0));
          },
          [this](const QString &line) {
              m_userNotice->report(UserNotice::Cause::MasterClockNotReading, line);
          }}))
    , m_mainClockCycle(
          std::make_unique<MainClockCycle>(MainClockCycle::Wiring {m_module1, clock(), *m_receiver,
              *m_clockSetting, *m_receiverView, [this]() -> MSComm & { return receivePort(); },
              [this]() -> MSComm & { return transmitPort(); },
              [this] { return form1()->menuSetRcv->isChecked(); },
              [this] { return form1()->menuSetTrans->isChecked(); },
              [this] { return WindowVisibility::isShown(form1()); },
              [this] { m_transmitter->TransmitRmc(); }}))
    , m_transmissionDisplay(std::make_unique<TransmissionDisplay>(
          m_module1, clock(),
          [this](const QString &time, const QString &date) {
              form1()->Text1->setText(time);
              form1()->Text1->setToolTip(date);
          },
          [this] { return form4(); }, [this] { return isForm4Loaded() && form4()->isVisible(); },
          [this] { return WindowVisibility::isShown(form1()); }))
{
    buildShell();
    connect(m_env.clock, &Clock::setRefused, m_userNotice.get(),
        [this] { m_userNotice->report(UserNotice::Cause::ClockNotSettable); });
    m_clockMasterWatch
        = std::make_unique<ClockMasterWatch>(clock(), m_env.clockMasters, *m_userNotice);
    feedHistory();
    // Input nobody reads (the receive port's, between searches) is thrown away at the clock's
    // second, a wake-up the program has anyway, instead of at a wake-up of its own.
    connect(m_env.clock, &Clock::secondBegan, this, [this] { m_ports.MSComm1.endDrainPause(); });
}

void HoroluxApp::buildShell()
{
    // Each part gets what it touches; the windows are fetched at each use, as they are built
    // on first touch.
    const auto mainWindow = [this] { return form1(); };
    const auto showMessageBox
        = [this](const QString &text, int icon, int buttons, const QString &title) {
              ShowMessageBox(text, icon, buttons, title);
          };
    m_windowVisibility = std::make_unique<WindowVisibility>(WindowVisibility::Wiring {mainWindow,
        [this] { return m_form4.get(); }, *m_transmissionDisplay,
        [this] { receiveIntoClockFields(); }, [this] { return hasNotificationArea(); }});
    m_trayIcon = std::make_unique<TrayIcon>(
        TrayIcon::Wiring {mainWindow, [this] { return isForm1Loaded(); }, *m_windowVisibility});
    m_shutdown = std::make_unique<Shutdown>(
        Shutdown::Wiring {m_module1, mainWindow, *m_windowVisibility, *m_trayIcon, m_ports,
            [this] { return builtWindows(); }, settingsDir(), [this] { releaseSingleInstance(); }});
    m_setupCommands = std::make_unique<SetupCommands>(SetupCommands::Wiring {m_module1, mainWindow,
        [this] { return form5(); }, [this] { return form4(); }, *m_transmissionDisplay});
    m_menuCommands = std::make_unique<MenuCommands>(
        MenuCommands::Wiring {mainWindow, [this] { return form4(); }, [this] { return form9(); },
            m_ports, *m_transmissionDisplay, *m_shutdown, *m_setupCommands, settingsDir(),
            showMessageBox, [this] { showHistory(); }, *m_delayMeasurement});
    m_userNotice = std::make_unique<UserNotice>(
        UserNotice::Wiring {m_module1.shuttingDown, [this] { return m_trayIcon->systemTrayIcon(); },
            [this] { return hasNotificationArea(); }, [this] { return form10(); }});
}

QList<QWidget *> HoroluxApp::builtWindows() const
{
    QList<QWidget *> windows;
    for (QWidget *window : std::initializer_list<QWidget *> {
             m_form4.get(), m_form5.get(), m_form9.get(), m_form10.get()}) {
        if (window)
            windows.append(window);
    }
    return windows;
}

void HoroluxApp::feedHistory()
{
    connect(m_env.clock, &Clock::stepped, m_historyFeed.get(), &HistoryFeed::clockStepped);
    connect(m_userNotice.get(), &UserNotice::shown, m_historyFeed.get(), &HistoryFeed::told);
    connect(m_historyRecord.get(), &HistoryRecord::unwritable, m_userNotice.get(),
        [this](const QString &reason) {
            m_userNotice->report(UserNotice::Cause::HistoryNotWritten,
                QStringLiteral("The history cannot be written: ") + reason);
        });
}

void HoroluxApp::recordDecode(const RmcDecode &decode)
{
    const auto named = msecsFromSystemTime(
        SYSTEMTIME {quint16(decode.year), quint16(decode.month), 0, quint16(decode.day),
            quint16(decode.hour), quint16(decode.minute), quint16(decode.second), 0});
    // A date the calendar does not have names no moment to compare the clock with.
    if (!named)
        return;
    // Measured as a setting would write it: GPS time is the named second plus the receiver's
    // delay (when given), the line's transit and the time since the last character.
    const MSComm &port = receivePort();
    const RmcReceiver::Arrival &arrival = m_receiver->lastArrival();
    const qint64 now = SettingMoment::correctedMSecs(*named, port.receiverDelayMillis().value_or(0),
        arrival.characters, port.baudRate(), clock().steadyNanos() - arrival.lastCharacterNanos);
    m_historyFeed->decoded(*named, decode.locked, now - *named);
}

void HoroluxApp::showHistory()
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(*m_historyRecord, clock());
        m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

HistoryWindow *HoroluxApp::historyWindow() const
{
    return m_historyWindow;
}

HoroluxApp::~HoroluxApp()
{
    // Windows go before the objects their handlers call into; a listening before its port.
    m_delayMeasurement->stop();
    delete m_historyWindow.data();
    m_form10.reset();
    m_form9.reset();
    m_form5.reset();
    m_form4.reset();
    m_form1.reset();
}

QString HoroluxApp::settingsDir() const
{
    return m_env.settingsDir.isEmpty() ? m_env.executableDir : m_env.settingsDir;
}

bool HoroluxApp::anyTalkerOnReceivePort()
{
    // The port the search reads, whatever the setup dialog shows meanwhile.
    if (!m_portMap)
        m_portMap = std::make_unique<PortMap>(settingsDir());
    const auto entry = m_portMap->entry(receivePort().CommPort());
    return entry && entry->talker == PortMap::Talker::Any;
}

bool HoroluxApp::hasNotificationArea() const
{
    return m_notificationArea ? *m_notificationArea : QSystemTrayIcon::isSystemTrayAvailable();
}

void HoroluxApp::start()
{
    Startup(
        Startup::Wiring {m_module1, executableDir(), runtimeDir(), settingsDir(),
            [this] { return form1(); }, m_ports, *m_trayIcon, *m_windowVisibility, *m_shutdown,
            *m_userNotice, [this] { return hasNotificationArea(); },
            [this](const QString &text, int icon, int buttons, const QString &title) {
                ShowMessageBox(text, icon, buttons, title);
            },
            [this](std::unique_ptr<SingleInstance> lock) { holdSingleInstance(std::move(lock)); }})
        .run();
}

Form1 *HoroluxApp::form1()
{
    if (!m_form1)
        m_form1 = std::make_unique<Form1>(
            Form1::Wiring {clock(), *m_transmissionDisplay, *m_menuCommands, *m_windowVisibility,
                *m_shutdown, *m_trayIcon, *m_clockSetting, *m_mainClockCycle});
    return m_form1.get();
}

Form4 *HoroluxApp::form4()
{
    if (!m_form4) {
        // The monitor docks right below the main window.
        m_form4 = std::make_unique<Form4>([this] {
            const Form1 *main = form1();
            return QPoint(Twips::toPixels(main->leftTwips()),
                Twips::toPixels(main->topTwips() + main->heightTwips()));
        });
        m_form4->Text1->setText(std::exchange(m_monitorText, QString()));
    }
    return m_form4.get();
}

void HoroluxApp::showOnMonitor(const QString &text)
{
    // The window is not built for a minute's sentence nobody looks at: building it is a
    // millisecond of a hidden program's minute. It finds the text when it is built.
    if (m_form4)
        m_form4->Text1->setText(text);
    else
        m_monitorText = text;
}

Form5 *HoroluxApp::form5()
{
    if (!m_form5) {
        m_form5 = std::make_unique<Form5>(m_module1, m_ports, portDevices(), *m_setupHost);
        m_form5->Form_Load();
    }
    return m_form5.get();
}

Form9 *HoroluxApp::form9()
{
    if (!m_form9) {
        m_form9 = std::make_unique<Form9>([this] { return form1(); });
        m_form9->Form_Load();
    }
    return m_form9.get();
}

Form10 *HoroluxApp::form10()
{
    if (!m_form10) {
        m_form10 = std::make_unique<Form10>(m_module1);
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
    return m_receiver->receiveIntoClockFields();
}

void HoroluxApp::holdSingleInstance(std::unique_ptr<SingleInstance> lock)
{
    m_singleInstance = std::move(lock);
}

void HoroluxApp::releaseSingleInstance()
{
    m_singleInstance.reset();
}
