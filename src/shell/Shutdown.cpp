#include "Shutdown.h"

#include "shell/HoroluxApp.h"

Shutdown::Shutdown(HoroluxApp &app)
    : m_app(app)
{ }

void Shutdown::Form_QueryUnload(bool &cancel, int)
{
    cancel = true;
}
void Shutdown::unloadMainWindow()
{ }
