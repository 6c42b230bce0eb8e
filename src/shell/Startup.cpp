#include "Startup.h"

#include "Form1.h"
#include "SettingsFile.h"
#include "Shutdown.h"
#include "SingleInstance.h"
#include "TrayIcon.h"
#include "UserNotice.h"
#include "WindowVisibility.h"
#include "common/MessageBoxCodes.h"
#include "common/Module1.h"
#include "platform/HelpViewer.h"
#include "platform/InstallLayout.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "serial/SerialPorts.h"
#include "setup/StatusPanels.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace {
constexpr int kWidthTwips = 3930;
constexpr int kHeightTwips = 3195;
} // namespace

Startup::Startup(Wiring wiring)
    : m_w(std::move(wiring))
{ }

QString Startup::duplicateInstanceText()
{
    return QStringLiteral(" Horolux is already open! \r\n\r\n"
                          "Look in the status panel for the Horolux icon.\r\n"
                          " If icon is not there, try again or restart system. ");
}

void Startup::run()
{
    if (!takeSingleInstanceLock()) {
        runDuplicateInstancePath();
        return;
    }
    // The icon first: the user sees the program as soon as it knows it is the only copy. The
    // steps up to the ports only prepare windows that stay hidden, the main window among them.
    m_w.tray.add();
    setUpHelp();
    sizeAndCentre();
    applySettings();
    checkSettingsCanBeSaved();
    openReceivePort();
    openTransmitPort();
    // Last, so the main clock cycle never runs on a half-built start-up.
    m_w.mainWindow()->Timer1->setEnabled(true);
    revealWithoutNotificationArea();
}

bool Startup::takeSingleInstanceLock()
{
    // The lock belongs to the application object and lasts as long as the program.
    auto lock = std::make_unique<SingleInstance>(m_w.executableDir, m_w.runtimeDir);
    if (!lock->tryLock())
        return false;
    m_w.holdSingleInstance(std::move(lock));
    return true;
}

void Startup::runDuplicateInstancePath()
{
    m_w.shutdown.markDuplicateCopy();
    Form1 *form = m_w.mainWindow();
    form->setEnabled(false);
    m_w.showMessageBox(duplicateInstanceText(), MessageBox::Critical, MessageBox::OkOnly,
        QStringLiteral("Horolux"));
    form->setEnabled(true);
    // Its tick closes this copy; nothing else of the start-up runs.
    form->Timer2->setEnabled(true);
}

void Startup::setUpHelp()
{
    Form1 *form = m_w.mainWindow();
    form->helpFile = InstallLayout::helpFile(m_w.executableDir);
    form->helpCommand = HelpViewer::kForceFile;
}

void Startup::sizeAndCentre()
{
    Form1 *form = m_w.mainWindow();
    form->setSizeTwips(kWidthTwips, kHeightTwips);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const int top = (Twips::fromPixels(area.height()) - form->heightTwips()) / 2;
    const int left = (Twips::fromPixels(area.width()) - form->widthTwips()) / 2;
    form->setPositionTwips(
        Twips::fromPixels(area.left()) + left, Twips::fromPixels(area.top()) + top);
}

void Startup::applySettings()
{
    const std::optional<SettingsFile::Bytes> bytes = SettingsFile(m_w.settingsDir).read();
    if (!bytes)
        return; // no file: both ports stay 0 and the option keeps its designed state
    Module1 &m = m_w.module1;
    m.settingsBytes = *bytes;
    m.receivePort = (*bytes)[0];
    m.waitForLock = (*bytes)[1] != 0 ? 1 : 0;
    m.transmitPort = (*bytes)[2];
}

void Startup::checkSettingsCanBeSaved()
{
    // They are written at the exit, when nobody would see why they were not.
    if (!SettingsFile(m_w.settingsDir).unsafeReason().isEmpty())
        m_w.notice.report(UserNotice::Cause::SettingsNotSaved);
}

void Startup::openReceivePort()
{
    Form1 *form = m_w.mainWindow();
    const int port = m_w.module1.receivePort;
    if (!isSelectablePort(port)) {
        StatusPanels::show(form->Text3[0], StatusPanels::receiveText(port));
        form->Command3->setEnabled(false);
        return;
    }
    // A port that is missing, busy or refuses its settings stays closed without a word; the
    // receive routine reports it when it is used.
    m_w.ports.MSComm1.openQuietly(port);
    StatusPanels::show(form->Text3[0], StatusPanels::receiveText(port));
    form->menuSetRcv->setChecked(true);
    form->Command3->setEnabled(true);
}

void Startup::openTransmitPort()
{
    Form1 *form = m_w.mainWindow();
    const Module1 &m = m_w.module1;
    const int port = m.transmitPort;
    if (!isSelectablePort(port)) {
        StatusPanels::show(form->Text3[1], StatusPanels::transmitText(port));
        return;
    }
    // One port serving both directions is opened once, as the receive port.
    if (port != m.receivePort)
        m_w.ports.MSComm2.openQuietly(port);
    StatusPanels::show(form->Text3[1], StatusPanels::transmitText(port));
    form->menuSetTrans->setChecked(true);
    form->menuMenuTrans->setVisible(true);
    form->menuMenuC->setVisible(true);
}

void Startup::revealWithoutNotificationArea()
{
    if (m_w.hasNotificationArea())
        return;
    // Without a tray the hidden window would be out of reach: show it as the tray's double click
    // would, once start-up has returned to the event loop (showing may run a receive search).
    Form1 *form = m_w.mainWindow();
    WindowVisibility *visibility = &m_w.visibility;
    QTimer::singleShot(0, form, [form, visibility] {
        if (!WindowVisibility::isShown(form))
            visibility->menuMenuHide_Click();
    });
}
