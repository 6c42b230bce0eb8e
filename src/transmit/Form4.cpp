#include "Form4.h"

#include "MonitorTextBox.h"
#include "common/Pictures.h"
#include "platform/TextFit.h"
#include "platform/Twips.h"
#include "platform/WindowLayout.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <utility>

namespace {
constexpr int kClientWidth = 3840;
constexpr int kClientHeight = 555;

bool isLeftClick(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonRelease
        && static_cast<const QMouseEvent *>(event)->button() == Qt::LeftButton;
}
} // namespace

Form4::Form4(std::function<QPoint()> dockPoint)
    : m_dockPoint(std::move(dockPoint))
{
    setWindowTitle(QStringLiteral("  Simulated GPS Transmission : "));
    setWindowIcon(Pictures::transmissionWindowIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(kClientWidth), Twips::toPixels(kClientHeight));
    createControls();
    TextFit::keepAll(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &Form4::trackFocusWindow);
}

void Form4::createControls()
{
    Text1 = new MonitorTextBox(this);
    Text1->setGeometry(Twips::toPixels(30, 30, 3780, 495));
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, QGuiApplication::palette().color(QPalette::WindowText));
    palette.setColor(QPalette::Text, QColor(0, 128, 128));
    Text1->setPalette(palette);
    Text1->setFont(WindowLayout::sansSerif(8.25, true));
    Text1->installEventFilter(this);
    Text1->viewport()->installEventFilter(this);

    // Placed right of the client area, so it is never seen; it holds the focus, so Enter,
    // space and Alt+H all hide the window.
    Command1 = new QPushButton(QStringLiteral("&Hide"), this);
    Command1->setGeometry(Twips::toPixels(4200, 360, 855, 375));
    Command1->setAutoDefault(true);
    Command1->setFont(WindowLayout::sansSerif(8.25));
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
}

void Form4::Form_Activate()
{
    move(m_dockPoint());
    Text1->setText(QString());
}

void Form4::Form_Click()
{
    hide();
}

void Form4::Text1_Click()
{
    hide();
}

void Form4::Text1_GotFocus()
{
    Command1->setFocus();
}

void Form4::Command1_Click()
{
    hide();
}

bool Form4::event(QEvent *event)
{
    // Showing counts as activation even where the window system keeps the focus elsewhere;
    // switching back from another application does not count.
    if (event->type() == QEvent::Show
        || (event->type() == QEvent::WindowActivate && m_focusBefore != nullptr))
        Form_Activate();
    return QWidget::event(event);
}

void Form4::trackFocusWindow(QWindow *window)
{
    // Remember where the focus was before it reached this window; null means elsewhere.
    if (window == nullptr || window != windowHandle())
        m_focusBefore = window;
}

bool Form4::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::FocusIn)
        Text1_GotFocus();
    else if (watched == Text1->viewport() && isLeftClick(event))
        Text1_Click();
    return QWidget::eventFilter(watched, event);
}

void Form4::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Form_Click();
    QWidget::mouseReleaseEvent(event);
}

void Form4::closeEvent(QCloseEvent *event)
{
    // The close box hides like every other way out; the window stays loaded.
    event->ignore();
    hide();
}
