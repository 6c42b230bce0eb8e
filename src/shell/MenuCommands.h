#pragma once

#include "serial/PortMap.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>

class DelayMeasurement;
class Form1;
class Form4;
class Form9;
class HelpViewer;
class MSComm;
class PortsDialog;
class SetupCommands;
struct SerialPorts;
class Shutdown;
class TransmissionDisplay;

// The menu bar's commands that are not the show/hide toggle.
class MenuCommands : public QObject
{
public:
    struct Wiring
    {
        std::function<Form1 *()> mainWindow;
        std::function<Form4 *()> monitor;
        std::function<Form9 *()> infoWindow;
        SerialPorts &ports;
        TransmissionDisplay &display;
        Shutdown &shutdown;
        SetupCommands &setup;
        // ports.conf lives here.
        QString settingsDir;
        // The program's own message box; returns when the user has dismissed it.
        std::function<void(const QString &text, int icon, int buttons, const QString &title)>
            showMessageBox;
        std::function<void()> showHistory;
        // Measures the receive port's delay for the ports dialog.
        DelayMeasurement &delayMeasurement;
    };

    explicit MenuCommands(Wiring wiring);
    ~MenuCommands() override;

    void menuMenuTrans_Click();
    void menuMenuExit_Click();
    // The history window, built and read only now.
    void menuMenuHistory_Click();
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
    void offerDelayMeasuring(PortsDialog *dialog);

    Wiring m_w;
    QPointer<HelpViewer> m_helpViewer;
    QPointer<PortsDialog> m_portsDialog;
};
