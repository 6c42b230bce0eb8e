#include "Form10.h"

#include "shell/HoroluxApp.h"

Form10::Form10(HoroluxApp &app)
    : m_app(app)
{ }

void Form10::Form_Load()
{ }

void Form10::ShowMessageBox(const QString &, int, int, const QString &)
{ }
