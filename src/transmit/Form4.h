#pragma once

#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>

class MonitorTextBox;
class QPushButton;

// The transmission monitor: the last simulated sentence and the countdown to the next. It docks
// below the main window when activated and hides at a click or at its (unseen) Hide button.
class Form4 : public QWidget
{
public:
    // dockPoint: where the window goes when it is activated, in pixels.
    explicit Form4(std::function<QPoint()> dockPoint);

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

    std::function<QPoint()> m_dockPoint;
    // The window that had the focus before this one; null when it was another application's.
    QPointer<QWindow> m_focusBefore;
};
