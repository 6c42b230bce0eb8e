#pragma once

class Form5;
class MSComm;
class SetupHost;
struct Module1;

// The dialog's two endings that change the ports: Set assigns the listed port to the side being
// set up and reopens both ports; Stop releases that side's port. Both hide the dialog and hand
// control back to the main window.
class PortAssignment
{
public:
    PortAssignment(Module1 &module1, Form5 &form, SetupHost &host);

    void set();
    void stop();

private:
    void closePorts();
    void openPorts();

    Module1 &m_module1;
    Form5 &m_form;
    SetupHost &m_host;
};
