#pragma once

#include <QByteArray>
#include <QList>

class PseudoTerminal;

// A cable between two devices: whole lines that one side's device sends are passed on to the
// other side's and kept, so that a test can also see what went over the line.
class LineRelay
{
public:
    LineRelay(PseudoTerminal &from, PseudoTerminal &to);

    // Passes on every complete line sent since the last call.
    void pass();
    QList<QByteArray> lines() const { return m_lines; }

private:
    PseudoTerminal &m_from;
    PseudoTerminal &m_to;
    QByteArray m_pending;
    QList<QByteArray> m_lines;
};
