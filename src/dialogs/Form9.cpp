#include "Form9.h"

#include "shell/HoroluxApp.h"

Form9::Form9(HoroluxApp &app)
    : m_app(app)
{ }

void Form9::Form_Load()
{ }

void Form9::showService()
{ }

void Form9::showAbout()
{ }
