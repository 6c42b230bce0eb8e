#include "TopMost.h"

#include <QWidget>

void showTopmost(QWidget *window)
{
    const QRect geometry = window->geometry();
    if (!(window->windowFlags() & Qt::WindowStaysOnTopHint)) {
        // Changing the flags hides the window; put it back where it was.
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window->setGeometry(geometry);
    }
    window->show();
    window->raise();
    window->activateWindow();
}
