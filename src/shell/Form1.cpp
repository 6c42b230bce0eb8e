#include "Form1.h"

#include "DisplayBox.h"
#include "LineControl.h"
#include "MenuCommands.h"
#include "Shutdown.h"
#include "TrayIcon.h"
#include "WindowVisibility.h"
#include "common/Pictures.h"
#include "platform/TextFit.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "platform/WindowLayout.h"
#include "receive/ClockSetting.h"
#include "receive/MainClockCycle.h"
#include "transmit/TransmissionDisplay.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <utility>

namespace {
constexpr int kClientWidth = 3840;
constexpr int kClientHeight = 2535;

using WindowLayout::placeTwips;
using WindowLayout::sansSerif;

QLineEdit *displayBox(QWidget *parent, double points)
{
    auto *box = new DisplayBox(parent);
    box->setFont(sansSerif(points));
    return box;
}

QPushButton *button(QWidget *parent, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setFont(sansSerif(8.25));
    return b;
}
} // namespace

Form1::Form1(Wiring wiring)
    : m_w(std::move(wiring))
{
    setWindowTitle(QStringLiteral("Horolux"));
    setWindowIcon(Pictures::mainWindowIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto *client = new QWidget(this);
    client->setFixedSize(Twips::toPixels(kClientWidth), Twips::toPixels(kClientHeight));
    setCentralWidget(client);
    createControls(client);
    createTimers();
    createMenus();
    connectHandlers();
    setFixedSize(sizeHint());
    TextFit::keepAll(this);
}

Form1::~Form1() = default;

void Form1::createControls(QWidget *client)
{
    Frame1 = new QFrame(client);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    placeTwips(Frame1, 10, 0, 2640, 2175);
    Label1 = new QLabel(QStringLiteral("Computer :"), Frame1);
    placeTwips(Label1, 180, 210, 975, 255);
    Text5 = displayBox(Frame1, 12);
    placeTwips(Text5, 480, 450, 1935, 420);
    Label2 = new QLabel(QStringLiteral("GPS Receiver :"), Frame1);
    placeTwips(Label2, 180, 975, 1695, 255);
    Text6 = displayBox(Frame1, 13.5);
    // Text5 and Text6 only draw borders around the clocks; they never take the focus.
    Text5->setFocusPolicy(Qt::NoFocus);
    Text6->setFocusPolicy(Qt::NoFocus);
    placeTwips(Text6, 660, 1220, 1575, 420);
    Label3 = new QLabel(QStringLiteral("GPS Receiver locked on to Satellites"), Frame1);
    Label3->setWordWrap(true);
    placeTwips(Label3, 740, 1710, 1605, 375);
    Image1[0] = new QLabel(Frame1);
    Image1[0]->setPixmap(Pictures::lockEmpty());
    placeTwips(Image1[0], 440, 1780, 240, 240);
    Image1[1] = new QLabel(Frame1);
    Image1[1]->setPixmap(Pictures::lockTicked());
    placeTwips(Image1[1], 440, 1785, 240, 240);
    Image1[1]->setVisible(false);
    for (QLabel *label : {Label1, Label2})
        label->setFont(sansSerif(8.25, true));
    // Two lines of caption must fit the indicator's small area.
    Label3->setFont(sansSerif(8.25));

    Text1 = displayBox(client, 13.5);
    placeTwips(Text1, 650, 480, 1630, 360);
    Text2 = displayBox(client, 13.5);
    placeTwips(Text2, 810, 1250, 1310, 360);

    Frame2 = new QFrame(client);
    Frame2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    placeTwips(Frame2, 2700, 0, 1130, 2175);
    Command1 = button(Frame2, QStringLiteral("Set &Time"));
    placeTwips(Command1, 120, 360, 900, 375);
    Command1->setEnabled(false);
    Command3 = button(Frame2, QStringLiteral("S&earch"));
    placeTwips(Command3, 120, 840, 900, 375);
    Command2 = button(Frame2, QStringLiteral("&Hide"));
    placeTwips(Command2, 120, 1560, 900, 375);

    static const char *const panelTips[]
        = {"Receive a GPS Receiver's signal", "Transmit a simulated GPS Receiver's signal"};
    for (int i = 0; i < 2; ++i) {
        Text3[i] = displayBox(client, 8.25);
        Text3[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        Text3[i]->setFrame(false);
        Text3[i]->setToolTip(QString::fromLatin1(panelTips[i]));
        QPalette palette = Text3[i]->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        Text3[i]->setPalette(palette);
    }
    placeTwips(Text3[0], 90, 2260, 1740, 210);
    placeTwips(Text3[1], 2010, 2260, 1740, 210);
    for (QLineEdit *box : {Text1, Text2, Text3[0], Text3[1]})
        box->installEventFilter(this);

    const QColor grey(128, 128, 128);
    const QColor white(255, 255, 255);
    new LineControl(client, 0, 2210, 1910, 2210, grey);
    new LineControl(client, 0, 2520, 0, 2210, grey);
    new LineControl(client, 1900, 2220, 1900, 2520, white);
    new LineControl(client, 1900, 2520, 0, 2520, white);
    new LineControl(client, 1940, 2210, 3840, 2210, grey);
    new LineControl(client, 1940, 2520, 1940, 2210, grey);
    new LineControl(client, 3830, 2220, 3830, 2520, white);
    new LineControl(client, 3830, 2520, 1940, 2520, white);
}

void Form1::createTimers()
{
    Timer1 = new Timer(1, false, this);
    // The second-30 sentence leaves before the clock box and the monitor are brought up to date.
    Timer1->setLeadsEachSecond(true);
    Timer1->followSecondsOf(&m_w.clock);
    Timer2 = new Timer(250, false, this);
    Timer3 = new Timer(50, false, this);
    // The receive countdown counts changes of the clock's second.
    Timer3->skipTicksWithinSecondsOf(&m_w.clock);
    Timer4 = new Timer(1, true, this);
    Timer4->followSecondsOf(&m_w.clock);
    // Its work is for eyes only: hidden in the tray it takes no tick, and whoever shows a
    // window brings the box up to date first.
    Timer4->restWhile([this] { return m_w.display.hasNothingToShow(); });
}

void Form1::createMenus()
{
    menuMenuMain = menuBar()->addMenu(QStringLiteral("&Menu"));
    menuMenuSet = menuMenuMain->addAction(QStringLiteral("Set &Time"));
    menuMenuSet->setEnabled(false);
    menuMenuA = menuMenuMain->addSeparator();
    menuMenuTrans = menuMenuMain->addAction(QStringLiteral("&Show Transmission"));
    menuMenuTrans->setVisible(false);
    menuMenuC = menuMenuMain->addSeparator();
    menuMenuC->setVisible(false);
    menuMenuHide = menuMenuMain->addAction(QStringLiteral("&Show Horolux"));
    menuMenuB = menuMenuMain->addSeparator();
    menuMenuExit = menuMenuMain->addAction(QStringLiteral("E&xit"));
    menuMenuD = menuMenuMain->addSeparator();
    menuMenuHistory = menuMenuMain->addAction(QStringLiteral("Hist&ory..."));

    menuSetMain = menuBar()->addMenu(QStringLiteral("&SetUp"));
    menuSetRcv = menuSetMain->addAction(QStringLiteral("&Receive"));
    menuSetRcv->setCheckable(true);
    menuSetC = menuSetMain->addSeparator();
    menuSetTrans = menuSetMain->addAction(QStringLiteral("&Transmit"));
    menuSetTrans->setCheckable(true);
    menuSetD = menuSetMain->addSeparator();
    menuSetPorts = menuSetMain->addAction(QStringLiteral("&Ports..."));

    menuHelpMain = menuBar()->addMenu(QStringLiteral("&Help"));
    menuHelpHelp = menuHelpMain->addAction(QStringLiteral("&Help"));
    menuHelpService = menuHelpMain->addAction(QStringLiteral("&Service"));
    menuHelpAbout = menuHelpMain->addAction(QStringLiteral("&About"));
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Timer1, &Timer::timeout, this, &Form1::Timer1_Timer);
    connect(Timer2, &Timer::timeout, this, &Form1::Timer2_Timer);
    connect(Timer3, &Timer::timeout, this, &Form1::Timer3_Timer);
    connect(Timer4, &Timer::timeout, this, &Form1::Timer4_Timer);

    MenuCommands &menus = m_w.menus;
    connect(menuMenuSet, &QAction::triggered, this, &Form1::Command1_Click);
    connect(menuMenuTrans, &QAction::triggered, &menus, &MenuCommands::menuMenuTrans_Click);
    connect(
        menuMenuHide, &QAction::triggered, &m_w.visibility, &WindowVisibility::menuMenuHide_Click);
    connect(menuMenuExit, &QAction::triggered, &menus, &MenuCommands::menuMenuExit_Click);
    connect(menuMenuHistory, &QAction::triggered, &menus, &MenuCommands::menuMenuHistory_Click);
    // Check marks follow the port setup, not the click itself.
    connect(menuSetRcv, &QAction::triggered, this, [this, &menus](bool checked) {
        menuSetRcv->setChecked(!checked);
        menus.menuSetRcv_Click();
    });
    connect(menuSetTrans, &QAction::triggered, this, [this, &menus](bool checked) {
        menuSetTrans->setChecked(!checked);
        menus.menuSetTrans_Click();
    });
    connect(menuSetPorts, &QAction::triggered, &menus, &MenuCommands::menuSetPorts_Click);
    connect(menuHelpHelp, &QAction::triggered, &menus, &MenuCommands::menuHelpHelp_Click);
    connect(menuHelpService, &QAction::triggered, &menus, &MenuCommands::menuHelpService_Click);
    connect(menuHelpAbout, &QAction::triggered, &menus, &MenuCommands::menuHelpAbout_Click);
}

void Form1::Form_QueryUnload(bool &cancel, int unloadMode)
{
    m_w.shutdown.Form_QueryUnload(cancel, unloadMode);
}

void Form1::Form_MouseMove(int button, int shift, double x, double y)
{
    m_w.tray.Form_MouseMove(button, shift, x, y);
}

void Form1::Command1_Click()
{
    m_w.clockSetting.Command1_Click();
}

void Form1::Command2_Click()
{
    m_w.visibility.menuMenuHide_Click();
}

void Form1::Command3_Click()
{
    m_w.cycle.Command3_Click();
}

void Form1::Timer1_Timer()
{
    m_w.cycle.Timer1_Timer();
}

void Form1::Timer2_Timer()
{
    m_w.shutdown.unloadMainWindow();
}

void Form1::Timer3_Timer()
{
    m_w.cycle.Timer3_Timer();
}

void Form1::Timer4_Timer()
{
    m_w.display.Timer4_Timer();
}

void Form1::setSizeTwips(int width, int height)
{
    WindowLayout::setOuterSizeTwips(this, width, height);
}

void Form1::setPositionTwips(int left, int top)
{
    move(Twips::toPixels(left), Twips::toPixels(top));
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A close from the window system is the user's: the handler hides instead of ending.
    bool cancel = false;
    Form_QueryUnload(cancel, 0);
    event->setAccepted(!cancel);
}

void Form1::changeEvent(QEvent *event)
{
    // Restored by the window system from the task bar: the clock box stood still meanwhile.
    if (event->type() == QEvent::WindowStateChange
        && (static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized)
        && !isMinimized())
        m_w.display.refresh();
    QMainWindow::changeEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // The display boxes never keep the focus: it moves on to "Hide".
    if (event->type() == QEvent::FocusIn && watched != Command2)
        Command2->setFocus();
    return QMainWindow::eventFilter(watched, event);
}
