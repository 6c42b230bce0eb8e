#include "MenuCommands.h"

#include "dialogs/Form9.h"
#include "setup/SetupCommands.h"
#include "shell/HoroluxApp.h"

MenuCommands::MenuCommands(HoroluxApp &app)
    : m_app(app)
{ }

void MenuCommands::menuMenuTrans_Click()
{ }
void MenuCommands::menuMenuExit_Click()
{ }
void MenuCommands::menuSetRcv_Click()
{
    SetupCommands(m_app).menuSetRcv_Click();
}

void MenuCommands::menuSetTrans_Click()
{
    SetupCommands(m_app).menuSetTrans_Click();
}

void MenuCommands::menuHelpHelp_Click()
{ }
void MenuCommands::menuHelpService_Click()
{
    m_app.form9()->showService();
}

void MenuCommands::menuHelpAbout_Click()
{
    m_app.form9()->showAbout();
}
