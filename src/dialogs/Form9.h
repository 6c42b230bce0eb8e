#pragma once

#include "platform/WindowLayout.h"

#include <QWidget>
#include <array>
#include <functional>

class QTextEdit;

// The Service and About window: the vendor's contact details or the product's name, copyright
// and version. Stays on top with the main window disabled, and goes away at the first click,
// typed character or switch to another window of the program.
class Form9 : public QWidget, public WindowLayout::TwipsGeometry<Form9>
{
public:
    // The main window, created on first touch: the window opens over it and disables it.
    explicit Form9(std::function<QWidget *()> mainWindow);

    void Form_Load();
    // The Help menu's "Service" and "About" commands; both return at once.
    void showService();
    void showAbout();

    void Form_Click();
    void Form_KeyPress(int keyAscii);
    void Form_Deactivate();
    void Text1_Click();
    void Text2_Click(int index);

    QTextEdit *Text1; // body text
    std::array<QTextEdit *, 2> Text2; // heading line, telephone line

protected:
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void setHeights(int windowTwips, int bodyTwips);
    void showOverMainWindow();
    void closeWindow();

    std::function<QWidget *()> m_mainWindow;
};
