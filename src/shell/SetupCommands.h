#pragma once

#include <functional>

class Form1;
class Form4;
class Form5;
class TransmissionDisplay;
struct Module1;

// The two "SetUp" menu commands: open the setup dialog for one side, wait until the user is
// done with it, then bring the main window in line with the outcome.
class SetupCommands
{
public:
    struct Wiring
    {
        Module1 &module1;
        std::function<Form1 *()> mainWindow;
        // The setup dialog, built and loaded on first touch.
        std::function<Form5 *()> setupDialog;
        std::function<Form4 *()> monitor;
        TransmissionDisplay &display;
    };

    explicit SetupCommands(Wiring wiring);

    void menuSetRcv_Click();
    void menuSetTrans_Click();

private:
    // Shows the prepared dialog in front, disables the main window and waits until the dialog
    // hands it back; false when the program is shutting down instead.
    bool runDialog(Form5 *form);
    void applyReceiveStopped();
    void applyReceiveSet();
    void applyTransmitStopped();
    void applyTransmitSet();
    void setTransmissionEntriesVisible(bool visible);

    Wiring m_w;
};
