#pragma once

#include <QByteArray>
#include <QString>

class Form5;
class SetupHost;
struct Module1;

// Looks at what is attached to the port picked in the setup dialog: nothing (CTS not asserted),
// a modem (answers "ATV1" with "OK"), or anything else, which passes silently. Advisory only: it
// never assigns a port and never touches the receive and transmit ports.
class PortProbe
{
public:
    PortProbe(Module1 &module1, Form5 &form, SetupHost &host);

    // Probes the port of the list's current entry; run by each pick in the list.
    void run();

    // A reply counts only with at least one character after its "OK".
    static bool containsReply(const QByteArray &received);
    static QString openErrorText(int number, const QString &description);

private:
    bool portInUse(int n) const;
    bool openPort(int n);
    bool askForReply(quint64 run);
    bool abandoned(quint64 run) const;
    void closeProbePort();
    void setButtonsEnabled(bool enabled);
    void report(int n, const QString &text, int icon);

    Module1 &m_module1;
    Form5 &m_form;
    SetupHost &m_host;
    // Counts the runs; a run whose number is no longer the latest has been taken over.
    quint64 m_run = 0;
};
