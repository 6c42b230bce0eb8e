#pragma once

#include <QPlainTextEdit>

// The monitor's multi-line text box. text() returns exactly what setText() was given, line
// ends included; the display shows CR LF as a line break.
class MonitorTextBox : public QPlainTextEdit
{
public:
    explicit MonitorTextBox(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void display();

    QString m_text;
    // The text was set while the box was hidden and is laid out when it is shown.
    bool m_stale = false;
};
