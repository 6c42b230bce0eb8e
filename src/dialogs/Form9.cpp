#include "Form9.h"

#include "platform/TextFit.h"
#include "platform/TopMost.h"
#include "platform/VersionInfo.h"
#include "platform/WindowLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <utility>

using WindowLayout::placeTwips;

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Our vendor's details, shown by "Service".
const QString kVendorName = QStringLiteral("Tallowmere Clockworks");
const QString kPostalBox = QStringLiteral("P.O. Box 4417");
const QString kCityStateZip = QStringLiteral("Lakeview Falls, MN 55990");
const QString kSupportMail = QStringLiteral("support@tallowmere.example");
const QString kTelephone = QStringLiteral("(612) 555-0142");
// Follows the version number on the same line of "About".
const QString kAuthorAndDate = QString(30, u' ') + QStringLiteral("R. Tock 12/2026");
// The last line of "About", one line below the version: the window grows by that line.
const QString kLicence = QStringLiteral("Licence: GNU GPL version 3 or later");
// The body's lines keep the spacing the layout was drawn for, whatever the face's own leading:
// the telephone line sits right below the third line of contact details.
constexpr int kBodyLineTwips = 240;

QTextEdit *displayBox(QWidget *parent, double points, bool bold)
{
    auto *box = new QTextEdit(parent);
    box->setAcceptRichText(false);
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setFocusPolicy(Qt::NoFocus);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->setFrameShape(QFrame::NoFrame);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setFont(WindowLayout::sansSerif(points, bold));
    box->document()->setDocumentMargin(2);
    // The window's own background (the menu colour of the classic desktop), so the boxes read
    // as plain text on the window.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    return box;
}

void setItalic(QTextEdit *box, bool italic)
{
    QFont font = box->font();
    font.setItalic(italic);
    box->setFont(font);
}

void setBody(QTextEdit *box, const QString &text)
{
    box->setPlainText(text);
    QTextBlockFormat lines;
    lines.setLineHeight(Twips::toPixels(kBodyLineTwips), QTextBlockFormat::FixedHeight);
    QTextCursor all(box->document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(lines);
}

QString versionText(const VersionInfo &version)
{
    // The revision comes before the minor number: 1, 7, 0 reads "1.07".
    return QStringLiteral("Version %1.%2%3")
        .arg(version.Major)
        .arg(version.Revision)
        .arg(version.Minor);
}
} // namespace

Form9::Form9(std::function<QWidget *()> mainWindow)
    : m_mainWindow(std::move(mainWindow))
{
    setWindowTitle(QStringLiteral("Form8"));
    // No close box: the window goes away through its own closing events only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFocusPolicy(Qt::StrongFocus);
    createControls();
    TextFit::keepAll(this);
}

void Form9::createControls()
{
    Text1 = displayBox(this, 9.75, false);
    placeTwips(Text1, 240, 240, 4575, 2055);
    setBody(Text1, kCrLf.repeated(2) + VersionInfo::program().LegalCopyright);
    Text2[0] = displayBox(this, 12, true);
    placeTwips(Text2[0], 360, 480, 4335, 375);
    Text2[0]->setPlainText(kVendorName);
    Text2[1] = displayBox(this, 12, true);
    placeTwips(Text2[1], 1440, 1800, 1935, 375);
    Text2[1]->setPlainText(kTelephone);
    // Every click and key typed anywhere in the window reaches the window first.
    for (QTextEdit *box : {Text1, Text2[0], Text2[1]}) {
        box->installEventFilter(this);
        box->viewport()->installEventFilter(this);
    }
}

void Form9::Form_Load()
{
    hide();
    const QWidget *main = m_mainWindow();
    move(Twips::toPixels(Twips::fromPixels(main->pos().x()) + 300),
        Twips::toPixels(Twips::fromPixels(main->pos().y()) + 600));
    WindowLayout::setOuterSizeTwips(this, 5190, 2940);
    Text1->clear();
}

void Form9::showService()
{
    setHeights(2940, 2055);
    setWindowTitle(QStringLiteral("Service"));
    setItalic(Text2[0], true);
    Text2[0]->setPlainText(kVendorName);
    setBody(Text1, kCrLf.repeated(3) + kPostalBox + kCrLf + kCityStateZip + kCrLf + kSupportMail);
    Text2[1]->setVisible(true);
    showOverMainWindow();
}

void Form9::showAbout()
{
    const VersionInfo version = VersionInfo::program();
    setHeights(2835, 1935);
    setWindowTitle(QStringLiteral("About Horolux"));
    setItalic(Text2[0], false);
    Text2[0]->setPlainText(QStringLiteral("Horolux Software"));
    setBody(Text1,
        kCrLf.repeated(3) + version.LegalCopyright + kCrLf.repeated(2) + versionText(version)
            + kAuthorAndDate + kCrLf + kLicence);
    Text2[1]->setVisible(false);
    showOverMainWindow();
}

void Form9::setHeights(int windowTwips, int bodyTwips)
{
    WindowLayout::setOuterSizeTwips(this, widthTwips(), windowTwips);
    placeTwips(Text1, 240, 240, 4575, bodyTwips);
}

void Form9::showOverMainWindow()
{
    m_mainWindow()->setEnabled(false);
    showTopmost(this);
}

void Form9::closeWindow()
{
    hide();
    QWidget *main = m_mainWindow();
    main->setEnabled(true);
    if (WindowLayout::isShown(main)) {
        main->raise();
        main->activateWindow();
    }
}

void Form9::Form_Click()
{
    closeWindow();
}

void Form9::Form_KeyPress(int)
{
    closeWindow();
}

void Form9::Form_Deactivate()
{
    closeWindow();
}

void Form9::Text1_Click()
{
    closeWindow();
}

void Form9::Text2_Click(int)
{
    closeWindow();
}

bool Form9::event(QEvent *event)
{
    // Only a switch to another window of the program closes it; over other applications it
    // stays where it is, on top.
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        const QWidget *active = QApplication::activeWindow();
        if (active && active != this)
            Form_Deactivate();
    }
    return QWidget::event(event);
}

void Form9::mouseReleaseEvent(QMouseEvent *)
{
    Form_Click();
}

void Form9::keyPressEvent(QKeyEvent *event)
{
    // Keys that type nothing (Shift, arrows, function keys) leave the window up.
    if (event->text().isEmpty())
        return QWidget::keyPressEvent(event);
    Form_KeyPress(event->text().at(0).unicode());
}

void Form9::closeEvent(QCloseEvent *event)
{
    // Alt+F4 and the window system's close must not leave the main window disabled.
    event->ignore();
    closeWindow();
}

bool Form9::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    }
    if (event->type() != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    if (watched == Text1->viewport()) {
        Text1_Click();
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        if (watched == Text2[i]->viewport()) {
            Text2_Click(i);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
