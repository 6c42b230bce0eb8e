#include "PortAssignment.h"

#include "Form5.h"
#include "StatusPanels.h"
#include "platform/EventPump.h"
#include "serial/CommError.h"
#include "shell/Form1.h"
#include "shell/HoroluxApp.h"

#include <QComboBox>

namespace {

// Set goes on past a port that fails: every step is tried on its own.
template<typename Step> void resumeNext(Step &&step)
{
    try {
        step();
    } catch (const CommError &) { }
}

// A test that fails lets its action run, so a port whose state cannot be read is still closed.
template<typename Test> bool trueOnError(Test &&test)
{
    try {
        return test();
    } catch (const CommError &) {
        return true;
    }
}

void closeIfOpen(MSComm &port)
{
    if (trueOnError([&] { return port.PortOpen(); }))
        resumeNext([&] { port.setPortOpen(false); });
}

void openStepwise(MSComm &port, int number)
{
    resumeNext([&] { port.setCommPort(number); });
    resumeNext([&] { port.setSettings(MSComm::kLineSettings); });
    resumeNext([&] { port.setPortOpen(true); });
}
} // namespace

PortAssignment::PortAssignment(HoroluxApp &app)
    : m_app(app)
{ }

void PortAssignment::set()
{
    Module1 &m = m_app.module1();
    const int listIndex = m_app.form5()->Combo1->currentIndex();
    if (listIndex < 0)
        return;
    closePorts();
    if (m.setupForTransmit)
        m.transmitPort = qint16(listIndex + 1);
    else
        m.receivePort = qint16(listIndex + 1);
    openPorts();
    m.setupStopped = false;
    m_app.form5()->hide();
    m_app.form1()->setEnabled(true);
    EventPump::processPending();
    StatusPanels::write(*m_app.form1(), m);
    m.skipSetupActivate = false;
}

void PortAssignment::stop()
{
    Module1 &m = m_app.module1();
    Form5 *form = m_app.form5();
    if (m.setupForTransmit) {
        m.transmitPort = 0;
        closeIfOpen(form->MSComm2);
    } else {
        const qint16 released = m.receivePort;
        m.receivePort = 0;
        closeIfOpen(form->MSComm1);
        // The released port also carried the transmission: the transmit side keeps it, now
        // through its own port object, so sentences keep going out.
        if (released == m.transmitPort && isSelectablePort(m.transmitPort))
            openStepwise(form->MSComm2, m.transmitPort);
    }
    form->hide();
    m_app.form1()->setEnabled(true);
    m.setupStopped = true;
    StatusPanels::write(*m_app.form1(), m);
    m.skipSetupActivate = false;
}

void PortAssignment::closePorts()
{
    closeIfOpen(m_app.form5()->MSComm1);
    closeIfOpen(m_app.form5()->MSComm2);
}

void PortAssignment::openPorts()
{
    // Transmit first; with equal numbers one port object serves both directions. Numbers
    // outside 1 to 8 (kept from the settings file) count as not selected and are not opened.
    const Module1 &m = m_app.module1();
    Form5 *form = m_app.form5();
    if (m.receivePort != m.transmitPort && isSelectablePort(m.transmitPort))
        openStepwise(form->MSComm2, m.transmitPort);
    if (isSelectablePort(m.receivePort))
        openStepwise(form->MSComm1, m.receivePort);
}
