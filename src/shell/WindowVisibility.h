#pragma once

#include <QObject>

class HoroluxApp;

class WindowVisibility : public QObject
{
    Q_OBJECT
public:
    explicit WindowVisibility(HoroluxApp &app);

    void menuMenuHide_Click();

private:
    HoroluxApp &m_app;
};
