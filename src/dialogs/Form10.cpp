#include "Form10.h"

#include "common/Module1.h"
#include "common/Pictures.h"
#include "platform/EventPump.h"
#include "platform/TextFit.h"
#include "platform/TopMost.h"
#include "platform/WindowLayout.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using WindowLayout::placeTwips;

namespace {
constexpr int kClientWidth = 4455;
constexpr int kClientHeight = 1815;
constexpr int kButtonTop = 1320;
constexpr int kButtonWidth = 975;
constexpr int kButtonHeight = 375;

QPushButton *button(QWidget *parent, const QString &caption, int left)
{
    auto *b = new QPushButton(caption, parent);
    b->setFont(WindowLayout::sansSerif(8.25));
    // A button that has the focus answers Enter itself, as on the classic desktop.
    b->setAutoDefault(true);
    placeTwips(b, left, kButtonTop, kButtonWidth, kButtonHeight);
    return b;
}

void moveLeftTwips(QPushButton *b, int left)
{
    placeTwips(b, left, kButtonTop, kButtonWidth, kButtonHeight);
}

int centredPixels(int screenPixels, int windowTwips)
{
    const double twips = Twips::fromPixels(screenPixels) / 2.0 - windowTwips / 2.0;
    return int(std::lround(twips / Twips::kPerPixel));
}
} // namespace

Form10::Form10(Module1 &module1)
    : m_module1(module1)
{
    setWindowTitle(QStringLiteral("Form1"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(kClientWidth), Twips::toPixels(kClientHeight));
    setFont(WindowLayout::sansSerif(8.25));
    createControls();
    TextFit::keepAll(this);
}

void Form10::createControls()
{
    for (int i = 0; i < 4; ++i) {
        Image1[i] = new QLabel(this);
        Image1[i]->setPixmap(Pictures::messageIcon(i));
        placeTwips(Image1[i], 240, 360, 720, 720);
        Image1[i]->setVisible(false);
    }
    Label1 = new QLabel(this);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    placeTwips(Label1, 1020, 180, 3375, 1100);

    Command1 = button(this, QStringLiteral("&OK"), 1800);
    Command2 = button(this, QStringLiteral("&Yes"), 600);
    Command3 = button(this, QStringLiteral("&No"), 1680);
    Command4 = button(this, QStringLiteral("&Cancel"), 2880);
    connect(Command1, &QPushButton::clicked, this, &Form10::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form10::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form10::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form10::Command4_Click);
}

void Form10::Form_Load()
{
    // Centred on the screen once; later boxes open where the last one was.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + centredPixels(area.width(), widthTwips()),
        area.y() + centredPixels(area.height(), heightTwips()));
}

void Form10::ShowMessageBox(const QString &text, int icon, int buttons, const QString &title)
{
    present(text, icon, buttons, title);
    waitWhileVisible();
}

void Form10::ShowNotice(const QString &text, int icon, const QString &title)
{
    present(text, icon, MessageBox::OkOnly, title);
}

void Form10::present(const QString &text, int icon, int buttons, const QString &title)
{
    Label1->setText(text);
    TextFit::refit(Label1);
    setWindowTitle(title);
    arrangeButtons(buttons);
    showIcon(icon);
    showTopmost(this);
    if (QPushButton *b = defaultButton())
        b->setFocus();
}

void Form10::arrangeButtons(int buttons)
{
    if (buttons == MessageBox::OkOnly) {
        Command1->setVisible(true);
        makeDefault(Command1);
        Command2->setVisible(false);
        Command3->setVisible(false);
        Command4->setVisible(false);
        return;
    }
    const bool withCancel = buttons == MessageBox::YesNoCancel;
    moveLeftTwips(Command2, withCancel ? 600 : 1200);
    moveLeftTwips(Command3, withCancel ? 1680 : 2280);
    Command1->setVisible(false);
    Command2->setVisible(true);
    makeDefault(Command2);
    Command3->setVisible(true);
    Command4->setVisible(withCancel);
}

void Form10::makeDefault(QPushButton *button)
{
    for (QPushButton *b : {Command1, Command2, Command3, Command4})
        b->setDefault(b == button);
}

QPushButton *Form10::defaultButton() const
{
    for (QPushButton *b : {Command1, Command2, Command3, Command4})
        if (b->isDefault() && !b->isHidden())
            return b;
    return nullptr;
}

void Form10::showIcon(int icon)
{
    for (QLabel *image : Image1)
        image->setVisible(false);
    switch (icon) {
    case MessageBox::Critical:
        Image1[0]->setVisible(true);
        break;
    case MessageBox::Exclamation:
        Image1[1]->setVisible(true);
        break;
    case MessageBox::Question:
        Image1[2]->setVisible(true);
        break;
    default:
        Image1[3]->setVisible(true);
        break;
    }
}

void Form10::waitWhileVisible()
{
    // A nested box, a click or the exit path may run inside this wait; the window itself may be
    // gone when it returns.
    const Module1 &m = m_module1;
    EventPump::waitWhile(
        m.shuttingDown, [this] { return isVisible(); }, {}, this);
}

void Form10::Command1_Click()
{
    hide();
}

void Form10::Command2_Click()
{
    answer(MessageBox::Yes);
}

void Form10::Command3_Click()
{
    answer(MessageBox::No);
}

void Form10::Command4_Click()
{
    answer(MessageBox::Cancel);
}

void Form10::answer(qint16 result)
{
    m_module1.messageBoxResult = result;
    hide();
}

void Form10::keyPressEvent(QKeyEvent *event)
{
    QPushButton *b = defaultButton();
    if (b && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        b->click();
    else
        QWidget::keyPressEvent(event);
}

void Form10::closeEvent(QCloseEvent *event)
{
    // The close box and Alt+F4 dismiss the box like OK: no answer is stored, the window stays
    // loaded for the next message.
    event->ignore();
    Command1_Click();
}
