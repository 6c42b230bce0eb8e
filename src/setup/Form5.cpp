#include "Form5.h"

#include "PortAssignment.h"
#include "PortProbe.h"
#include "SetupCheckBox.h"
#include "SetupHost.h"
#include "common/Module1.h"
#include "platform/TextFit.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "platform/WindowLayout.h"
#include "serial/SerialPorts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <cmath>

namespace {
constexpr int kClientWidth = 4080;
constexpr int kClientHeight = 2070;
constexpr int kDesignedWidth = 4170;
constexpr int kDesignedHeight = 2445;
// A probe wait is counted in ticks. At the window system's usual 16 ms a tick, one wait of 15
// ticks gives a modem at 2400 baud the quarter second it needs to echo and answer.
constexpr int kProbeTickMs = 16;
constexpr int kPortCount = 8;

constexpr int kEnter = 13;

using WindowLayout::kFrameHeight;
using WindowLayout::kFrameWidth;
using WindowLayout::placeTwips;
using WindowLayout::sansSerif;

QFrame *frame(QWidget *parent)
{
    auto *f = new QFrame(parent);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return f;
}
} // namespace

Form5::Form5(Module1 &module1, SerialPorts &ports, SerialDeviceFactory &devices, SetupHost &host)
    : MSComm1(ports.MSComm1)
    , MSComm2(ports.MSComm2)
    , MSComm3(ports.MSComm3)
    , m_module1(module1)
    , m_devices(devices)
    , m_host(host)
    , m_probe(std::make_unique<PortProbe>(module1, *this, host))
{
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(kClientWidth), Twips::toPixels(kClientHeight));
    setFont(sansSerif(8.25));
    createControls();
    connectHandlers();
    TextFit::keepAll(this);
}

Form5::~Form5() = default;

void Form5::createControls()
{
    Frame1 = frame(this);
    placeTwips(Frame1, 120, 0, 2175, 1605);
    Label1 = new QLabel(QStringLiteral("Comm Port #"), Frame1);
    placeTwips(Label1, 210, 300, 1575, 255);
    Combo1 = new QComboBox(Frame1);
    Combo1->setFont(sansSerif(12, true));
    Combo1->move(Twips::toPixels(1320), Twips::toPixels(840));
    Combo1->resize(Twips::toPixels(615), Combo1->sizeHint().height());

    Frame2 = frame(this);
    placeTwips(Frame2, 2400, 0, 1575, 1605);
    Command1 = new QPushButton(QStringLiteral("&Set"), Frame2);
    placeTwips(Command1, 300, 330, 975, 375);
    Command3 = new QPushButton(QStringLiteral("S&top"), Frame2);
    placeTwips(Command3, 300, 1020, 975, 375);

    Check1 = m_check1 = new SetupCheckBox(
        QStringLiteral("&Wait until Receiver is locked on to satellites before setting "
                       "computer's time."),
        this);
    placeTwips(Check1, 240, 1640, 3615, 400);
    m_check1->setValue(m_module1.waitForLock);

    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    placeTwips(Text1, 120, 2040, 975, 360);
    Text1->setVisible(false);

    Timer3 = new Timer(kProbeTickMs, false, this);
}

void Form5::connectHandlers()
{
    // User picks only; selections made from code go through setListIndex().
    connect(Combo1, &QComboBox::activated, this, &Form5::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form5::Command3_Click);
    connect(Timer3, &Timer::timeout, this, &Form5::Timer3_Timer);
    // Every change of the box, by the user or by code, is the option's new value.
    connect(m_check1, &QCheckBox::stateChanged, this,
        [this] { m_module1.waitForLock = qint16(m_check1->value()); });
    const std::initializer_list<QWidget *> keyed {Combo1, Command1, Command3, Check1};
    for (QWidget *control : keyed)
        control->installEventFilter(this);
}

void Form5::Form_Load()
{
    // Below and to the right of the screen's centre; later openings reuse this place.
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QRect screen = primary ? primary->geometry() : QRect();
    const double top = (Twips::fromPixels(screen.height()) - kDesignedHeight + 1000) / 2.0;
    const double left = (Twips::fromPixels(screen.width()) - kDesignedWidth + 2000) / 2.0;
    move(Twips::toPixels(int(std::lround(left))), Twips::toPixels(int(std::lround(top))));
    setWidthTwips(kDesignedWidth);
    Combo1->clear();
    for (int port = 1; port <= kPortCount; ++port)
        Combo1->addItem(QString::number(port));
    setListIndex(0);
}

void Form5::Form_Activate()
{
    Module1 &m = m_module1;
    if (m.skipSetupActivate) {
        // Back from a probe's result box: the list keeps the user's pick.
        m.skipSetupActivate = false;
        return;
    }
    activating = true;
    showDevicesAsTips();
    Command1->setEnabled(false);
    Command3->setEnabled(false);
    const int port = m.setupForTransmit ? m.transmitPort : m.receivePort;
    if (isSelectablePort(port))
        setListIndex(port - 1);
    Combo1->setFocus();
    Command1->setEnabled(true);
    Command3->setEnabled(true);
    activating = false;
    m.skipSetupActivate = false;
}

void Form5::showDevicesAsTips()
{
    // The list keeps its numbers; each tells which device it stands for now (ports.conf may have
    // changed since the last opening).
    for (int i = 0; i < Combo1->count(); ++i) {
        const QString device = m_devices.devicePath(i + 1);
        Combo1->setItemData(i, device.isEmpty() ? QVariant() : QVariant(device), Qt::ToolTipRole);
    }
}

void Form5::Form_QueryUnload(bool &cancel, int)
{
    // Never unloaded: closing only hides it, and the next opening finds it as it was left.
    hide();
    m_host.handBack();
    cancel = true;
}

void Form5::Combo1_Click()
{
    m_probe->run();
}

void Form5::Command1_Click()
{
    PortAssignment(m_module1, *this, m_host).set();
}

void Form5::Command3_Click()
{
    PortAssignment(m_module1, *this, m_host).stop();
}

void Form5::Timer3_Timer()
{
    --probeCountdown;
}

void Form5::Combo1_KeyPress(int &keyAscii)
{
    runSetOrStop(keyAscii);
}

void Form5::Command1_KeyPress(int &keyAscii)
{
    runSetOrStop(keyAscii);
}

void Form5::Command3_KeyPress(int &keyAscii)
{
    runSetOrStop(keyAscii);
}

void Form5::Form_KeyPress(int &keyAscii)
{
    runSetOrStop(keyAscii);
}

void Form5::Check1_KeyPress(int &keyAscii)
{
    if (keyAscii == 'W' || keyAscii == 'w')
        toggleCheck1();
}

void Form5::runSetOrStop(int keyAscii)
{
    switch (keyAscii) {
    case 'O':
    case 'o':
    case kEnter:
        Command1_Click();
        break;
    case 'C':
    case 'c':
        Command3_Click();
        break;
    }
}

void Form5::toggleCheck1()
{
    setCheck1Value(check1Value() == 0 ? 1 : 0);
}

void Form5::setListIndex(int index)
{
    Combo1->setCurrentIndex(index);
    Combo1_Click();
}

int Form5::check1Value() const
{
    return m_module1.waitForLock;
}

void Form5::setCheck1Value(int value)
{
    m_check1->setValue(value); // the box writes the option
}

void Form5::setWidthTwips(int width)
{
    setFixedWidth(Twips::toPixels(width) - kFrameWidth);
}

void Form5::setHeightTwips(int height)
{
    setFixedHeight(Twips::toPixels(height) - kFrameHeight);
}

void Form5::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void Form5::closeEvent(QCloseEvent *event)
{
    bool cancel = false;
    Form_QueryUnload(cancel, 0);
    event->setAccepted(!cancel);
}

int Form5::characterCode(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return kEnter;
    return event->text().isEmpty() ? 0 : event->text().at(0).unicode();
}

void Form5::keyPressEvent(QKeyEvent *event)
{
    // Reached only by keys typed while no control has the focus: the controls' keys stop at
    // their own handlers (eventFilter).
    int keyAscii = characterCode(event);
    if (keyAscii != 0)
        Form_KeyPress(keyAscii);
    QWidget::keyPressEvent(event);
}

bool Form5::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    int keyAscii = characterCode(static_cast<QKeyEvent *>(event));
    if (keyAscii != 0) {
        if (watched == Combo1)
            Combo1_KeyPress(keyAscii);
        else if (watched == Command1)
            Command1_KeyPress(keyAscii);
        else if (watched == Command3)
            Command3_KeyPress(keyAscii);
        else if (watched == Check1)
            Check1_KeyPress(keyAscii);
    }
    // The control still gets the key; a key it leaves unused goes no further, as the dialog
    // does not preview its controls' keys.
    watched->event(event);
    event->accept();
    return true;
}
