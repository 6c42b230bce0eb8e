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
    // The Help menu's "Service" and "About" commands; both return at once.
    void showService();
    void showAbout();

private:
    HoroluxApp &m_app;
};
