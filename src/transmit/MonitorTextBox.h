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

private:
    QString m_text;
};
