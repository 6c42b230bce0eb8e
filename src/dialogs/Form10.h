#pragma once

#include <QWidget>

class HoroluxApp;

// The program's own message box.
class Form10 : public QWidget
{
    Q_OBJECT
public:
    explicit Form10(HoroluxApp &app);

    void Form_Load();
    void ShowMessageBox(const QString &text, int icon, int buttons, const QString &title);

private:
    HoroluxApp &m_app;
};
