#pragma once

#include <QPointer>
#include <QWidget>
#include <QWindow>

class HoroluxApp;
class MonitorTextBox;
class QPushButton;

// The transmission monitor: the last simulated sentence and the countdown to the next. It docks
// below the main window when activated and hides at a click or at its (unseen) Hide button.
class Form4 : public QWidget
{
public:
    explicit Form4(HoroluxApp &app);

    void Form_Activate();
    void Form_Click();
    void Text1_Click();
    void Text1_GotFocus();
    void Command1_Click();

    MonitorTextBox *Text1;
    QPushButton *Command1;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void trackFocusWindow(QWindow *window);

    HoroluxApp &m_app;
    // The window that had the focus before this one; null when it was another application's.
    QPointer<QWindow> m_focusBefore;
};
