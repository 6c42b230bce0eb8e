#include "MenuCommands.h"

#include "Form1.h"
#include "SetupCommands.h"
#include "ShellContext.h"
#include "Shutdown.h"
#include "common/MessageBoxCodes.h"
#include "dialogs/Form9.h"
#include "platform/HelpViewer.h"
#include "transmit/Form4.h"

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
