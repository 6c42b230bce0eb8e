#pragma once

#include <QLineEdit>

// A read-only box of the main window. A line edit lays its text out again at every change of
// font, hidden or not; this one waits until it is shown, so that a window left in the tray
// never loads its fonts (their files count in the program's resident size).
class DisplayBox : public QLineEdit
{
public:
    explicit DisplayBox(QWidget *parent);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_fontPending = false;
};
