#include "MonitorTextBox.h"

MonitorTextBox::MonitorTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void MonitorTextBox::setText(const QString &text)
{
    // Clearing repeats every second while the monitor is open; skip the relayout.
    if (text == m_text)
        return;
    m_text = text;
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // A document ends without a line break; the sentence's own CR LF would add an empty line.
    while (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    setPlainText(shown);
}
