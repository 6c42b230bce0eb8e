#pragma once

#include "platform/WindowLayout.h"

#include <QMainWindow>
#include <array>

class Clock;
class ClockSetting;
class MainClockCycle;
class MenuCommands;
class Shutdown;
class TransmissionDisplay;
class TrayIcon;
class WindowVisibility;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class Timer;

// The main window: computer and GPS clocks, lock indicator, buttons, status panels, the menu bar
// and the four timers that drive the program. Created hidden; the tray shows it.
class Form1 : public QMainWindow, public WindowLayout::TwipsGeometry<Form1>
{
public:
    // The parts its handlers forward to.
    struct Wiring
    {
        Clock &clock;
        TransmissionDisplay &display;
        MenuCommands &menus;
        WindowVisibility &visibility;
        Shutdown &shutdown;
        TrayIcon &tray;
        ClockSetting &clockSetting;
        MainClockCycle &cycle;
    };

    explicit Form1(Wiring wiring);
    ~Form1() override;

    // Handlers. Each forwards to the part of the program that owns the behaviour.
    void Form_QueryUnload(bool &cancel, int unloadMode);
    void Form_MouseMove(int button, int shift, double x, double y);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();

    void setSizeTwips(int width, int height);
    void setPositionTwips(int left, int top);

    QFrame *Frame1;
    QFrame *Frame2;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text5;
    QLineEdit *Text6;
    std::array<QLineEdit *, 2> Text3;
    std::array<QLabel *, 2> Image1;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;

    Timer *Timer1;
    Timer *Timer2;
    Timer *Timer3;
    Timer *Timer4;

    QMenu *menuMenuMain;
    QAction *menuMenuSet;
    QAction *menuMenuA;
    QAction *menuMenuTrans;
    QAction *menuMenuC;
    QAction *menuMenuHide;
    QAction *menuMenuB;
    QAction *menuMenuExit;
    QAction *menuMenuD;
    QAction *menuMenuHistory;
    QMenu *menuSetMain;
    QAction *menuSetRcv;
    QAction *menuSetC;
    QAction *menuSetTrans;
    QAction *menuSetD;
    QAction *menuSetPorts;
    QMenu *menuHelpMain;
    QAction *menuHelpHelp;
    QAction *menuHelpService;
    QAction *menuHelpAbout;

    // The help file and command handed to the help viewer ("Help" menu).
    QString helpFile;
    int helpCommand = 0;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls(QWidget *client);
    void createTimers();
    void createMenus();
    void connectHandlers();

    Wiring m_w;
};
