#include "MenuCommands.h"

#include "Form1.h"
#include "SetupCommands.h"
#include "Shutdown.h"
#include "common/MessageBoxCodes.h"
#include "dialogs/Form9.h"
#include "platform/HelpViewer.h"
#include "platform/TopMost.h"
#include "receive/DelayMeasurement.h"
#include "serial/SerialPorts.h"
#include "setup/PortsDialog.h"
#include "transmit/Form4.h"
#include "transmit/TransmissionDisplay.h"

#include <QDir>
#include <utility>

MenuCommands::MenuCommands(Wiring wiring)
    : m_w(std::move(wiring))
{ }

MenuCommands::~MenuCommands() = default;

HelpViewer *MenuCommands::helpViewer() const
{
    return m_helpViewer;
}

void MenuCommands::menuMenuTrans_Click()
{
    Form4 *monitor = m_w.monitor();
    m_w.display.refresh();
    monitor->show();
    monitor->raise();
    monitor->activateWindow();
}

void MenuCommands::menuMenuExit_Click()
{
    m_w.shutdown.unloadMainWindow();
}

void MenuCommands::menuMenuHistory_Click()
{
    m_w.showHistory();
}

void MenuCommands::menuSetRcv_Click()
{
    m_w.setup.menuSetRcv_Click();
}

void MenuCommands::menuSetTrans_Click()
{
    m_w.setup.menuSetTrans_Click();
}

void MenuCommands::menuSetPorts_Click()
{
    if (m_portsDialog) {
        showTopmost(m_portsDialog);
        return;
    }
    // No parent: a disabled main window would disable its child windows too.
    m_portsDialog = new PortsDialog(m_w.settingsDir);
    m_portsDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_portsDialog->setApplyHandler(
        [this](const QMap<int, PortMap::Entry> &entries, const QList<int> &changed) {
            return applyPortMap(entries, changed);
        });
    offerDelayMeasuring(m_portsDialog);
    Form1 *form = m_w.mainWindow();
    connect(m_portsDialog, &QDialog::finished, form, [form] { form->setEnabled(true); });
    form->setEnabled(false);
    showTopmost(m_portsDialog);
}

void MenuCommands::offerDelayMeasuring(PortsDialog *dialog)
{
    DelayMeasurement &measurement = m_w.delayMeasurement;
    dialog->offerDelayMeasuring(measurement.portNumber(), measurement.whyNot());
    connect(dialog, &PortsDialog::measureRequested, &measurement, &DelayMeasurement::start);
    // Closing the dialog ends the listening: nobody would see its outcome.
    connect(dialog, &QDialog::finished, &measurement, &DelayMeasurement::stop);
    connect(&measurement, &DelayMeasurement::progress, dialog, &PortsDialog::showMeasuring);
    connect(&measurement, &DelayMeasurement::measured, dialog, &PortsDialog::setMeasuredDelay);
    connect(&measurement, &DelayMeasurement::failed, dialog, &PortsDialog::showMeasureEnd);
}

PortsDialog *MenuCommands::portsDialog() const
{
    return m_portsDialog;
}

bool MenuCommands::applyPortMap(const QMap<int, PortMap::Entry> &entries, const QList<int> &changed)
{
    const PortMap map(m_w.settingsDir);
    QString why;
    if (!map.write(entries, &why)) {
        const QString text
            = QStringLiteral("\r\nThe port settings cannot be saved to\r\n%1:\r\n%2.")
                  .arg(QDir::toNativeSeparators(map.filePath()), why);
        m_w.showMessageBox(
            text, MessageBox::Exclamation, MessageBox::OkOnly, QStringLiteral("Horolux"));
        return false;
    }
    // Receive first, then transmit, as at start-up.
    reopenIfChanged(m_w.ports.MSComm1, changed);
    reopenIfChanged(m_w.ports.MSComm2, changed);
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
    Form1 *form = m_w.mainWindow();
    // Owned by the main window, so it stays above it and goes with it.
    if (!m_helpViewer)
        m_helpViewer = new HelpViewer(form);
    if (m_helpViewer->showHelp(form->helpFile, form->helpCommand))
        return;
    const QString text
        = QStringLiteral("\r\nThe help file cannot be opened:\r\n%1\r\n(%2)")
              .arg(QDir::toNativeSeparators(form->helpFile), m_helpViewer->errorString());
    form->setEnabled(false);
    m_w.showMessageBox(
        text, MessageBox::Exclamation, MessageBox::OkOnly, QStringLiteral("Horolux"));
    form->setEnabled(true);
}

void MenuCommands::menuHelpService_Click()
{
    m_w.infoWindow()->showService();
}

void MenuCommands::menuHelpAbout_Click()
{
    m_w.infoWindow()->showAbout();
}
