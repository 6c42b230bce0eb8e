#include "Startup.h"

#include "shell/HoroluxApp.h"

Startup::Startup(HoroluxApp &app)
    : m_app(app)
{ }

void Startup::run()
{ }
