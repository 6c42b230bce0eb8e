#pragma once

#include <QCheckBox>

// The wait-for-lock check box: its long caption wraps onto a second line, and a click toggles
// between checked and unchecked only; the greyed state is set by the program, never by a click.
class SetupCheckBox : public QCheckBox
{
public:
    explicit SetupCheckBox(const QString &text, QWidget *parent = nullptr);

    // As stored in the settings: 0 unchecked, 1 checked, 2 greyed.
    int value() const;
    void setValue(int value);

protected:
    void nextCheckState() override;
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;
};
