#pragma once

class ShellContext;
class Form5;

// The two "SetUp" menu commands: open the setup dialog for one side, wait until the user is
// done with it, then bring the main window in line with the outcome.
class SetupCommands
{
public:
    explicit SetupCommands(ShellContext &app);

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

    ShellContext &m_app;
};
