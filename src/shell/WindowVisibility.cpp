#include "WindowVisibility.h"

#include "Form1.h"
#include "ShellContext.h"
#include "platform/TopMost.h"
#include "platform/WindowLayout.h"
#include "transmit/Form4.h"
#include "transmit/TransmissionDisplay.h"

#include <QAction>
#include <QLineEdit>

WindowVisibility::WindowVisibility(ShellContext &app)
    : m_app(app)
{ }

bool WindowVisibility::isShown(const Form1 *form)
{
    return WindowLayout::isShown(form);
}

void WindowVisibility::menuMenuHide_Click()
{
    Form1 *form = m_app.form1();
    if (isShown(form))
        hide(form);
    else
        show(form);
}

void WindowVisibility::show(Form1 *form)
{
    // The clock box stood still while the window was hidden.
    m_app.transmissionDisplay().refresh();
    form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    showTopmost(form);
    form->menuMenuHide->setText(QStringLiteral("&Hide Horolux"));
    // Refresh the GPS display at once rather than at the next second 59.
    if (form->menuSetRcv->isChecked())
        m_app.receiveIntoClockFields();
}

void WindowVisibility::hide(Form1 *form)
{
    if (m_app.isForm4Loaded() && m_app.form4()->isVisible())
        m_app.form4()->hide();
    // Without a tray icon a hidden window could never be brought back.
    if (m_app.hasNotificationArea())
        form->hide();
    else
        form->showMinimized();
    form->menuMenuHide->setText(QStringLiteral("&Show Horolux"));
    form->Text2->setEnabled(false);
}
