#include "WindowVisibility.h"

#include "shell/HoroluxApp.h"

WindowVisibility::WindowVisibility(HoroluxApp &app)
    : m_app(app)
{ }

void WindowVisibility::menuMenuHide_Click()
{ }
