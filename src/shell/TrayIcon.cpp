#include "TrayIcon.h"

#include "shell/HoroluxApp.h"

TrayIcon::TrayIcon(HoroluxApp &app)
    : m_app(app)
{ }

void TrayIcon::add()
{ }
void TrayIcon::remove()
{ }
void TrayIcon::Form_MouseMove(int, int, double, double)
{ }
