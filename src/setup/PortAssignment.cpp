#include "PortAssignment.h"

#include "Form5.h"
#include "SetupHost.h"
#include "common/Module1.h"
#include "platform/EventPump.h"
#include "serial/CommError.h"

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

PortAssignment::PortAssignment(Module1 &module1, Form5 &form, SetupHost &host)
    : m_module1(module1)
    , m_form(form)
    , m_host(host)
{ }

void PortAssignment::set()
{
    Module1 &m = m_module1;
    const int listIndex = m_form.Combo1->currentIndex();
    if (listIndex < 0)
        return;
    closePorts();
    if (m.setupForTransmit)
        m.transmitPort = qint16(listIndex + 1);
    else
        m.receivePort = qint16(listIndex + 1);
    openPorts();
    m.setupStopped = false;
    m_form.hide();
    m_host.handBack();
    EventPump::processPending();
    m_host.showPorts(m);
    m.skipSetupActivate = false;
}

void PortAssignment::stop()
{
    Module1 &m = m_module1;
    Form5 *form = &m_form;
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
    m_host.handBack();
    m.setupStopped = true;
    m_host.showPorts(m);
    m.skipSetupActivate = false;
}

void PortAssignment::closePorts()
{
    closeIfOpen(m_form.MSComm1);
    closeIfOpen(m_form.MSComm2);
}

void PortAssignment::openPorts()
{
    // Transmit first; with equal numbers one port object serves both directions. Numbers
    // outside 1 to 8 (kept from the settings file) count as not selected and are not opened.
    const Module1 &m = m_module1;
    Form5 *form = &m_form;
    if (m.receivePort != m.transmitPort && isSelectablePort(m.transmitPort))
        openStepwise(form->MSComm2, m.transmitPort);
    if (isSelectablePort(m.receivePort))
        openStepwise(form->MSComm1, m.receivePort);
}
