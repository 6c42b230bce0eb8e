#pragma once

class HoroluxApp;
class MSComm;

// The dialog's two endings that change the ports: Set assigns the listed port to the side being
// set up and reopens both ports; Stop releases that side's port. Both hide the dialog and hand
// control back to the main window.
class PortAssignment
{
public:
    explicit PortAssignment(HoroluxApp &app);

    void set();
    void stop();

private:
    void closePorts();
    void openPorts();

    HoroluxApp &m_app;
};
