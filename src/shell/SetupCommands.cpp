#include "SetupCommands.h"

#include "Form1.h"
#include "ShellContext.h"
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

namespace {
constexpr int kReceiveHeight = 2445;
// Cuts off the check box row.
constexpr int kTransmitHeight = 2075;
} // namespace

SetupCommands::SetupCommands(ShellContext &app)
    : m_app(app)
{ }

void SetupCommands::menuSetRcv_Click()
{
    Form5 *form = m_app.form5();
    form->setHeightTwips(kReceiveHeight);
    form->Check1->setVisible(true);
    form->setWindowTitle(QStringLiteral(" SetUp Receive"));
    if (!runDialog(form))
        return;
    if (m_app.module1().setupStopped)
        applyReceiveStopped();
    else
        applyReceiveSet();
}

void SetupCommands::menuSetTrans_Click()
{
    Module1 &m = m_app.module1();
    m.setupForTransmit = true;
    Form5 *form = m_app.form5();
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
    Form1 *main = m_app.form1();
    main->setEnabled(false);
    // Set, Stop and the dialog's close box enable the main window again.
    const Module1 &m = m_app.module1();
    EventPump::waitWhile(m.shuttingDown, [main] { return !main->isEnabled(); });
    return !m.shuttingDown;
}

void SetupCommands::applyReceiveStopped()
{
    Form1 *main = m_app.form1();
    main->menuSetRcv->setChecked(false);
    main->Command3->setEnabled(false);
    MSComm &port = m_app.form5()->MSComm1;
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
    m_app.module1().lastClockText.clear();
    Form1 *main = m_app.form1();
    main->menuSetRcv->setChecked(true);
    main->Command3->setEnabled(true);
}

void SetupCommands::applyTransmitStopped()
{
    m_app.form1()->menuSetTrans->setChecked(false);
    m_app.form4()->hide();
    MSComm &port = m_app.form5()->MSComm2;
    if (port.PortOpen())
        port.setPortOpen(false);
    setTransmissionEntriesVisible(false);
}

void SetupCommands::applyTransmitSet()
{
    m_app.form1()->menuSetTrans->setChecked(true);
    m_app.transmissionDisplay().refresh();
    m_app.form4()->show();
    setTransmissionEntriesVisible(true);
}

void SetupCommands::setTransmissionEntriesVisible(bool visible)
{
    Form1 *main = m_app.form1();
    main->menuMenuC->setVisible(visible);
    main->menuMenuTrans->setVisible(visible);
}
