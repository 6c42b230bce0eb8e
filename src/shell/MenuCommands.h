#pragma once

#include <QObject>
#include <QPointer>

class HelpViewer;
class ShellContext;

// The menu bar's commands that are not the show/hide toggle.
class MenuCommands : public QObject
{
public:
    explicit MenuCommands(ShellContext &app);
    ~MenuCommands() override;

    void menuMenuTrans_Click();
    void menuMenuExit_Click();
    void menuSetRcv_Click();
    void menuSetTrans_Click();
    void menuHelpHelp_Click();
    void menuHelpService_Click();
    void menuHelpAbout_Click();

    // The help window once "Help" has been used, else null.
    HelpViewer *helpViewer() const;

private:
    ShellContext &m_app;
    QPointer<HelpViewer> m_helpViewer;
};
