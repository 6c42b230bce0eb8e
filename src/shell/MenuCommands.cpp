#include "MenuCommands.h"

#include "shell/HoroluxApp.h"

MenuCommands::MenuCommands(HoroluxApp &app)
    : m_app(app)
{
}

void MenuCommands::menuMenuTrans_Click() { }
void MenuCommands::menuMenuExit_Click() { }
void MenuCommands::menuSetRcv_Click() { }
void MenuCommands::menuSetTrans_Click() { }
void MenuCommands::menuHelpHelp_Click() { }
void MenuCommands::menuHelpService_Click() { }
void MenuCommands::menuHelpAbout_Click() { }
