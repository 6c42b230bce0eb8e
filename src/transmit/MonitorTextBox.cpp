#include "MonitorTextBox.h"

#include <utility>

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
    // A hidden monitor would lay out each minute's sentence for nobody, right after it has
    // left the port, while the machine's other work waits.
    m_stale = !isVisible();
    if (!m_stale)
        display();
}

void MonitorTextBox::showEvent(QShowEvent *event)
{
    if (std::exchange(m_stale, false))
        display();
    QPlainTextEdit::showEvent(event);
}

void MonitorTextBox::display()
{
    QString shown = m_text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // A document ends without a line break; the sentence's own CR LF would add an empty line.
    while (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    setPlainText(shown);
}
