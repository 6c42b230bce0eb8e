#include "MainWindowAdapters.h"

#include "HoroluxApp.h"
#include "platform/Timer.h"
#include "setup/StatusPanels.h"
#include "shell/Form1.h"
#include "shell/UserNotice.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
void setText2Look(QLineEdit *text2, double points, bool bold)
{
    QFont font = text2->font();
    font.setPointSizeF(points);
    font.setBold(bold);
    text2->setFont(font);
}
} // namespace

MainWindowReceiverView::MainWindowReceiverView(HoroluxApp &app)
    : m_app(app)
{ }

bool MainWindowReceiverView::acceptsInput()
{
    return m_app.form1()->isEnabled();
}

void MainWindowReceiverView::showSearching()
{
    Form1 *form = m_app.form1();
    form->Image1[1]->setVisible(false);
    form->Image1[0]->setVisible(true);
    form->Text2->setEnabled(true);
    setText2Look(form->Text2, 8, true);
    form->Text2->setText(QStringLiteral("Searching..."));
}

void MainWindowReceiverView::showSearchRunningOut()
{
    m_app.form1()->Text2->setEnabled(false);
}

void MainWindowReceiverView::showDecoded(const QString &text, const QString &date, bool locked)
{
    Form1 *form = m_app.form1();
    // The face changes while the box is empty, so only the new text is laid out, once.
    form->Text2->clear();
    setText2Look(form->Text2, 14, false);
    form->Text2->setText(text);
    form->Text2->setEnabled(true);
    form->Text2->setToolTip(date);
    form->Image1[1]->setVisible(locked);
    form->Image1[0]->setVisible(!locked);
    form->menuMenuSet->setEnabled(true);
    form->Command1->setEnabled(true);
}

void MainWindowReceiverView::showNotFound()
{
    Form1 *form = m_app.form1();
    form->Text2->setText(QStringLiteral("Not Found"));
    form->Text2->setEnabled(false);
    form->Image1[1]->setVisible(false);
    form->Image1[0]->setVisible(true);
}

void MainWindowReceiverView::setCountdownRunning(bool running)
{
    m_app.form1()->Timer3->setEnabled(running);
}

MainWindowSetupHost::MainWindowSetupHost(HoroluxApp &app)
    : m_app(app)
{ }

void MainWindowSetupHost::handBack()
{
    m_app.form1()->setEnabled(true);
}

void MainWindowSetupHost::showPorts(const Module1 &m)
{
    StatusPanels::write(m_app.form1()->Text3, m);
}

void MainWindowSetupHost::showMessageBox(
    const QString &text, int icon, int buttons, const QString &title)
{
    m_app.ShowMessageBox(text, icon, buttons, title);
}

void MainWindowSetupHost::reportReceivePortDenied(const QString &stderrLine)
{
    m_app.userNotice().report(UserNotice::Cause::ReceivePortDenied, stderrLine);
}
