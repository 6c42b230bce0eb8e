#pragma once

#include <QWidget>

class HoroluxApp;

// The Service and About window.
class Form9 : public QWidget
{
    Q_OBJECT
public:
    explicit Form9(HoroluxApp &app);

    void Form_Load();

private:
    HoroluxApp &m_app;
};
