#pragma once

#include "common/MessageBoxCodes.h"
#include "platform/WindowLayout.h"

#include <QWidget>
#include <array>

struct Module1;
class QLabel;
class QPushButton;

// The program's own message box: a text, one of four icons and one of three button sets, shown
// on top of every window. Loaded on first use, then only hidden and shown again.
class Form10 : public QWidget, public WindowLayout::TwipsGeometry<Form10>
{
    Q_OBJECT
public:
    explicit Form10(Module1 &module1);

    void Form_Load();
    // Returns when the box has been dismissed; Yes, No and Cancel leave their answer in
    // messageBoxResult. icon, buttons and the answer are the codes of MessageBox. Every event of
    // the program is dispatched while it waits.
    void ShowMessageBox(const QString &text, int icon, int buttons, const QString &title);
    // The same box with OK, returning at once: nothing waits for it and no window is disabled.
    void ShowNotice(const QString &text, int icon, const QString &title);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // The button Enter presses: OK, or Yes when the box asks a question.
    QPushButton *defaultButton() const;

    std::array<QLabel *, 4> Image1;
    QLabel *Label1;
    QPushButton *Command1; // OK
    QPushButton *Command2; // Yes
    QPushButton *Command3; // No
    QPushButton *Command4; // Cancel

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void present(const QString &text, int icon, int buttons, const QString &title);
    void arrangeButtons(int buttons);
    void showIcon(int icon);
    void makeDefault(QPushButton *button);
    void answer(qint16 result);
    void waitWhileVisible();

    Module1 &m_module1;
};
