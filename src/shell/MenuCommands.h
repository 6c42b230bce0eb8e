#pragma once

#include <QObject>

class HoroluxApp;

class MenuCommands : public QObject
{
    Q_OBJECT
public:
    explicit MenuCommands(HoroluxApp &app);

    void menuMenuTrans_Click();
    void menuMenuExit_Click();
    void menuSetRcv_Click();
    void menuSetTrans_Click();
    void menuHelpHelp_Click();
    void menuHelpService_Click();
    void menuHelpAbout_Click();

private:
    HoroluxApp &m_app;
};
