#pragma once

#include "serial/PortMap.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

class HelpViewer;
class MSComm;
class PortsDialog;
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
    // A window of its own while the main window waits disabled; OK rewrites ports.conf.
    void menuSetPorts_Click();
    void menuHelpHelp_Click();
    void menuHelpService_Click();
    void menuHelpAbout_Click();

    // The help window once "Help" has been used, else null.
    HelpViewer *helpViewer() const;
    // The ports dialog while it is open, else null.
    PortsDialog *portsDialog() const;

private:
    bool applyPortMap(const QMap<int, PortMap::Entry> &entries, const QList<int> &changed);
    void reopenIfChanged(MSComm &port, const QList<int> &changed);

    ShellContext &m_app;
    QPointer<HelpViewer> m_helpViewer;
    QPointer<PortsDialog> m_portsDialog;
};
