#include "Shutdown.h"

#include "Form1.h"
#include "SettingsFile.h"
#include "TrayIcon.h"
#include "WindowVisibility.h"
#include "common/Module1.h"
#include "platform/EventPump.h"
#include "platform/SessionEndWatcher.h"
#include "platform/Timer.h"
#include "serial/SerialPorts.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {
void endProcessNow(int exitCode)
{
    // The exit path may run inside a waiting loop several handlers deep; unwinding them would
    // let them carry on against closed ports. Everything worth keeping is saved by now.
    std::fflush(nullptr);
    ::_exit(exitCode);
}
} // namespace

Shutdown::Shutdown(Wiring wiring)
    : m_w(std::move(wiring))
    , m_processEnd(endProcessNow)
{ }

Shutdown::~Shutdown() = default;

void Shutdown::Form_QueryUnload(bool &cancel, int unloadMode)
{
    Form1 *form = m_w.mainWindow();
    if (m_duplicateCopy || form->Timer2->Enabled()) {
        // A duplicate copy, also while its warning is up: it never saved, opened or added
        // anything.
        cancel = false;
        unloadOtherWindows();
        return;
    }
    if (unloadMode != UserClose) {
        // A request arriving while the exit path runs (it yields to events twice) is left to
        // the running one, which ends the process.
        cancel = m_exiting;
        if (!m_exiting)
            runExitPath();
        return;
    }
    if (WindowVisibility::isShown(form))
        m_w.visibility.menuMenuHide_Click();
    cancel = true;
}

void Shutdown::unloadMainWindow()
{
    closeMainWindow(CodeClose);
}

void Shutdown::installSystemCloseHandlers()
{
    if (m_sessionEnd)
        return;
    m_sessionEnd = std::make_unique<SessionEndWatcher>();
    connect(m_sessionEnd.get(), &SessionEndWatcher::endRequested, this,
        [this] { closeMainWindow(SessionEnd); });
}

void Shutdown::closeMainWindow(int reason)
{
    bool cancel = false;
    Form_QueryUnload(cancel, reason);
    if (cancel)
        return;
    m_w.mainWindow()->hide();
    // The exit path ends the process itself; a duplicate copy ends once its window is gone.
    if (!m_exiting)
        m_processEnd(0);
}

void Shutdown::runExitPath()
{
    m_exiting = true;
    Module1 &m = m_w.module1;
    Form1 *form = m_w.mainWindow();
    // First, so that a loop waiting further down stops instead of touching closed ports.
    m.shuttingDown = true;
    form->Timer1->setEnabled(false);
    form->Timer4->setEnabled(false);
    writeSettings();
    EventPump::processPending();
    closePorts();
    m_w.tray.remove();
    EventPump::processPending();
    unloadOtherWindows();
    // The process ends without unwinding; let the next start find the lock free, not stale.
    m_w.releaseSingleInstance();
    m_processEnd(0);
}

void Shutdown::writeSettings()
{
    Module1 &m = m_w.module1;
    m.settingsBytes = SettingsFile::Bytes {
        quint8(m.receivePort), quint8(m.waitForLock == 1 ? 0xFF : 0x00), quint8(m.transmitPort)};
    // A failure is reported by the file itself; the ports and the tray icon are still released.
    SettingsFile(m_w.settingsDir).write(m.settingsBytes);
}

void Shutdown::closePorts()
{
    // The probe's port too: the process ends inside the probe's wait, which would close it.
    SerialPorts &ports = m_w.ports;
    for (MSComm *port : {&ports.MSComm1, &ports.MSComm2, &ports.MSComm3}) {
        if (port->PortOpen())
            port->setPortOpen(false);
    }
}

void Shutdown::unloadOtherWindows()
{
    // The setup dialog refuses to close; the process ends regardless.
    for (QWidget *window : m_w.builtWindows())
        window->close();
}
