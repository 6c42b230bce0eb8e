#pragma once

class QWidget;

// Shows the window at its current place and size above every other window, and keeps it there.
void showTopmost(QWidget *window);
