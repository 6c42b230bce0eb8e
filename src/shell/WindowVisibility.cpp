#include "WindowVisibility.h"

#include "Form1.h"
#include "platform/TopMost.h"
#include "platform/WindowLayout.h"
#include "transmit/Form4.h"
#include "transmit/TransmissionDisplay.h"

#include <QAction>
#include <QLineEdit>
#include <utility>

WindowVisibility::WindowVisibility(Wiring wiring)
    : m_w(std::move(wiring))
{ }

bool WindowVisibility::isShown(const Form1 *form)
{
    return WindowLayout::isShown(form);
}

void WindowVisibility::menuMenuHide_Click()
{
    Form1 *form = m_w.mainWindow();
    if (isShown(form))
        hide(form);
    else
        show(form);
}

void WindowVisibility::show(Form1 *form)
{
    // The clock box stood still while the window was hidden.
    m_w.display.refresh();
    form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    showTopmost(form);
    form->menuMenuHide->setText(QStringLiteral("&Hide Horolux"));
    // Refresh the GPS display at once rather than at the next second 59.
    if (form->menuSetRcv->isChecked())
        m_w.refreshReceiver();
}

void WindowVisibility::hide(Form1 *form)
{
    Form4 *monitor = m_w.builtMonitor();
    if (monitor && monitor->isVisible())
        monitor->hide();
    // Without a tray icon a hidden window could never be brought back.
    if (m_w.hasNotificationArea())
        form->hide();
    else
        form->showMinimized();
    form->menuMenuHide->setText(QStringLiteral("&Show Horolux"));
    form->Text2->setEnabled(false);
}
