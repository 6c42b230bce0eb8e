#include "MenuCommands.h"

#include "Form1.h"
#include "SetupCommands.h"
#include "ShellContext.h"
#include "Shutdown.h"
#include "common/MessageBoxCodes.h"
#include "dialogs/Form9.h"
#include "platform/HelpViewer.h"
#include "platform/TopMost.h"
#include "serial/MSComm.h"
#include "setup/Form5.h"
#include "setup/PortsDialog.h"
#include "transmit/Form4.h"
#include "transmit/TransmissionDisplay.h"

#include <QDir>

MenuCommands::MenuCommands(ShellContext &app)
    : m_app(app)
{ }

MenuCommands::~MenuCommands() = default;

HelpViewer *MenuCommands::helpViewer() const
{
    return m_helpViewer;
}

void MenuCommands::menuMenuTrans_Click()
{
    Form4 *monitor = m_app.form4();
    m_app.transmissionDisplay().refresh();
    monitor->show();
    monitor->raise();
    monitor->activateWindow();
}

void MenuCommands::menuMenuExit_Click()
{
    m_app.shutdown().unloadMainWindow();
}

void MenuCommands::menuSetRcv_Click()
{
    SetupCommands(m_app).menuSetRcv_Click();
}

void MenuCommands::menuSetTrans_Click()
{
    SetupCommands(m_app).menuSetTrans_Click();
}

void MenuCommands::menuSetPorts_Click()
{
    if (m_portsDialog) {
        showTopmost(m_portsDialog);
        return;
    }
    // No parent: a disabled main window would disable its child windows too.
    m_portsDialog = new PortsDialog(m_app.settingsDir());
    m_portsDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_portsDialog->setApplyHandler(
        [this](const QMap<int, PortMap::Entry> &entries, const QList<int> &changed) {
            return applyPortMap(entries, changed);
        });
    Form1 *form = m_app.form1();
    connect(m_portsDialog, &QDialog::finished, form, [form] { form->setEnabled(true); });
    form->setEnabled(false);
    showTopmost(m_portsDialog);
}

PortsDialog *MenuCommands::portsDialog() const
{
    return m_portsDialog;
}

bool MenuCommands::applyPortMap(const QMap<int, PortMap::Entry> &entries, const QList<int> &changed)
{
    const PortMap map(m_app.settingsDir());
    QString why;
    if (!map.write(entries, &why)) {
        const QString text
            = QStringLiteral("\r\nThe port settings cannot be saved to\r\n%1:\r\n%2.")
                  .arg(QDir::toNativeSeparators(map.filePath()), why);
        m_app.ShowMessageBox(
            text, MessageBox::Exclamation, MessageBox::OkOnly, QStringLiteral("Horolux"));
        return false;
    }
    // Receive first, then transmit, as at start-up.
    Form5 *setup = m_app.form5Ports();
    reopenIfChanged(setup->MSComm1, changed);
    reopenIfChanged(setup->MSComm2, changed);
    return true;
}

void MenuCommands::reopenIfChanged(MSComm &port, const QList<int> &changed)
{
    const int portNumber = port.CommPort();
    if (!port.PortOpen() || !changed.contains(portNumber))
        return;
    port.setPortOpen(false);
    port.openQuietly(portNumber);
}

void MenuCommands::menuHelpHelp_Click()
{
    Form1 *form = m_app.form1();
    // Owned by the main window, so it stays above it and goes with it.
    if (!m_helpViewer)
        m_helpViewer = new HelpViewer(form);
    if (m_helpViewer->showHelp(form->helpFile, form->helpCommand))
        return;
    const QString text
        = QStringLiteral("\r\nThe help file cannot be opened:\r\n%1\r\n(%2)")
              .arg(QDir::toNativeSeparators(form->helpFile), m_helpViewer->errorString());
    form->setEnabled(false);
    m_app.ShowMessageBox(
        text, MessageBox::Exclamation, MessageBox::OkOnly, QStringLiteral("Horolux"));
    form->setEnabled(true);
}

void MenuCommands::menuHelpService_Click()
{
    m_app.form9()->showService();
}

void MenuCommands::menuHelpAbout_Click()
{
    m_app.form9()->showAbout();
}
