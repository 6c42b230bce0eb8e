#include "SetupCommands.h"

#include "Form1.h"
#include "common/Module1.h"
#include "platform/EventPump.h"
#include "platform/TopMost.h"
#include "setup/Form5.h"
#include "transmit/Form4.h"
#include "transmit/TransmissionDisplay.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace {
constexpr int kReceiveHeight = 2445;
// Cuts off the check box row.
constexpr int kTransmitHeight = 2075;
} // namespace

SetupCommands::SetupCommands(Wiring wiring)
    : m_w(std::move(wiring))
{ }

void SetupCommands::menuSetRcv_Click()
{
    Form5 *form = m_w.setupDialog();
    form->setHeightTwips(kReceiveHeight);
    form->Check1->setVisible(true);
    form->setWindowTitle(QStringLiteral(" SetUp Receive"));
    if (!runDialog(form))
        return;
    if (m_w.module1.setupStopped)
        applyReceiveStopped();
    else
        applyReceiveSet();
}

void SetupCommands::menuSetTrans_Click()
{
    Module1 &m = m_w.module1;
    m.setupForTransmit = true;
    Form5 *form = m_w.setupDialog();
    form->setHeightTwips(kTransmitHeight);
    form->Check1->setVisible(false);
    form->setWindowTitle(QStringLiteral(" SetUp Transmit"));
    const bool finished = runDialog(form);
    const bool stopped = m.setupStopped;
    m.setupForTransmit = false;
    if (!finished)
        return;
    if (stopped)
        applyTransmitStopped();
    else
        applyTransmitSet();
}

bool SetupCommands::runDialog(Form5 *form)
{
    showTopmost(form);
    Form1 *main = m_w.mainWindow();
    main->setEnabled(false);
    // Set, Stop and the dialog's close box enable the main window again.
    const Module1 &m = m_w.module1;
    EventPump::waitWhile(m.shuttingDown, [main] { return !main->isEnabled(); });
    return !m.shuttingDown;
}

void SetupCommands::applyReceiveStopped()
{
    Form1 *main = m_w.mainWindow();
    main->menuSetRcv->setChecked(false);
    main->Command3->setEnabled(false);
    MSComm &port = m_w.setupDialog()->MSComm1;
    if (port.PortOpen())
        port.setPortOpen(false);
    setTransmissionEntriesVisible(false);
    main->Text2->setText(QString());
    main->Text2->setEnabled(false);
    main->Image1[1]->setVisible(false);
    main->Image1[0]->setVisible(true);
}

void SetupCommands::applyReceiveSet()
{
    // The next tick of the main clock cycle sees a new hour and sets the clock at once.
    m_w.module1.lastClockText.clear();
    Form1 *main = m_w.mainWindow();
    main->menuSetRcv->setChecked(true);
    main->Command3->setEnabled(true);
}

void SetupCommands::applyTransmitStopped()
{
    m_w.mainWindow()->menuSetTrans->setChecked(false);
    m_w.monitor()->hide();
    MSComm &port = m_w.setupDialog()->MSComm2;
    if (port.PortOpen())
        port.setPortOpen(false);
    setTransmissionEntriesVisible(false);
}

void SetupCommands::applyTransmitSet()
{
    m_w.mainWindow()->menuSetTrans->setChecked(true);
    m_w.display.refresh();
    m_w.monitor()->show();
    setTransmissionEntriesVisible(true);
}

void SetupCommands::setTransmissionEntriesVisible(bool visible)
{
    Form1 *main = m_w.mainWindow();
    main->menuMenuC->setVisible(visible);
    main->menuMenuTrans->setVisible(visible);
}
