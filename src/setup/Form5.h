#pragma once

#include "serial/MSComm.h"

#include <QWidget>

class HoroluxApp;
class QCheckBox;

// The port setup dialog; also the home of the three serial port objects and the wait-for-lock
// option. Created on first touch, never unloaded.
class Form5 : public QWidget
{
    Q_OBJECT
public:
    explicit Form5(HoroluxApp &app);

    void Form_Load();

    // The wait-for-lock option as stored: 0 unchecked, 1 checked, 2 greyed.
    int check1Value() const;
    void setCheck1Value(int value);

    MSComm MSComm1; // receive port
    MSComm MSComm2; // transmit port
    MSComm MSComm3; // probe port
    QCheckBox *Check1;

private:
    HoroluxApp &m_app;
};
