#pragma once

#include <QObject>

class Form1;
class ShellContext;

// Shows and hides the main window: the tray's double click, "Hide", the menu entry and the
// window's close box all come here.
class WindowVisibility : public QObject
{
public:
    explicit WindowVisibility(ShellContext &app);

    // Hides a shown main window, shows a hidden one; the menu entry names the next action.
    void menuMenuHide_Click();

    // Shown means on the screen: a window minimized for want of a tray counts as hidden.
    static bool isShown(const Form1 *form);

private:
    void show(Form1 *form);
    void hide(Form1 *form);

    ShellContext &m_app;
};
