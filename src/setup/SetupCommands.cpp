#include "SetupCommands.h"

#include "shell/HoroluxApp.h"

SetupCommands::SetupCommands(HoroluxApp &app)
    : m_app(app)
{ }

void SetupCommands::menuSetRcv_Click()
{ }

void SetupCommands::menuSetTrans_Click()
{ }
