#pragma once

class HoroluxApp;

// The two "SetUp" menu commands: open the setup dialog for one side, wait until the user is
// done with it, then bring the main window in line with the outcome.
class SetupCommands
{
public:
    explicit SetupCommands(HoroluxApp &app);

    void menuSetRcv_Click();
    void menuSetTrans_Click();

private:
    HoroluxApp &m_app;
};
