#pragma once

#include <QWidget>

class HoroluxApp;
class QPlainTextEdit;
class QPushButton;

// The transmission monitor: the last simulated sentence and the countdown to the next.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    explicit Form4(HoroluxApp &app);

    QPlainTextEdit *Text1;
    QPushButton *Command1;

private:
    HoroluxApp &m_app;
};
