#pragma once

class HoroluxApp;

// "Set Time": sets the computer clock from the next sentence of the GPS receiver.
class ClockSetting
{
public:
    explicit ClockSetting(HoroluxApp &app);

    void Command1_Click();

private:
    HoroluxApp &m_app;
};
