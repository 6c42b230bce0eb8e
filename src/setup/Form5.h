#pragma once

#include "platform/WindowLayout.h"

#include "serial/MSComm.h"

#include <QWidget>
#include <memory>

class SerialDeviceFactory;
struct SerialPorts;
class SetupHost;
struct Module1;
class PortProbe;
class QCheckBox;
class SetupCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class Timer;

// The port setup dialog: it shows and changes the program's serial ports and the wait-for-lock
// option, which both live outside it. Created on first touch, never unloaded: a close request
// only hides it.
class Form5 : public QWidget, public WindowLayout::TwipsGeometry<Form5>
{
public:
    Form5(Module1 &module1, SerialPorts &ports, SerialDeviceFactory &devices, SetupHost &host);
    ~Form5() override;

    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload(bool &cancel, int unloadMode);
    void Combo1_Click();
    void Command1_Click();
    void Command3_Click();
    void Timer3_Timer();
    // Key handlers get the character code and pass the key on unchanged.
    void Combo1_KeyPress(int &keyAscii);
    void Command1_KeyPress(int &keyAscii);
    void Command3_KeyPress(int &keyAscii);
    void Check1_KeyPress(int &keyAscii);
    void Form_KeyPress(int &keyAscii);

    // Selecting an entry from code runs the Click handler, as a pick by the user does.
    void setListIndex(int index);

    // The wait-for-lock option (Module1::waitForLock) through Check1: 0 unchecked, 1 checked,
    // 2 greyed.
    int check1Value() const;
    void setCheck1Value(int value);

    void setWidthTwips(int width);
    void setHeightTwips(int height);

    QFrame *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QFrame *Frame2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command3 = nullptr;
    QCheckBox *Check1 = nullptr;
    QLineEdit *Text1 = nullptr;
    Timer *Timer3 = nullptr;

    MSComm &MSComm1; // receive port
    MSComm &MSComm2; // transmit port
    MSComm &MSComm3; // probe port

    // True while the activation handler preselects the list; picks made then start no probe.
    bool activating = false;
    // Ticks of Timer3 left in the current probe wait.
    qint16 probeCountdown = 0;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    void toggleCheck1();
    static int characterCode(const QKeyEvent *event);
    void runSetOrStop(int keyAscii);
    void showDevicesAsTips();

    Module1 &m_module1;
    SerialDeviceFactory &m_devices;
    SetupHost &m_host;
    SetupCheckBox *m_check1 = nullptr; // Check1 with its stored value
    std::unique_ptr<PortProbe> m_probe;
};
