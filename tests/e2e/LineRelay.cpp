#include "LineRelay.h"

#include "PseudoTerminal.h"

LineRelay::LineRelay(PseudoTerminal &from, PseudoTerminal &to)
    : m_from(from)
    , m_to(to)
{ }

void LineRelay::pass()
{
    m_pending += m_from.readAvailable();
    qsizetype end;
    while ((end = m_pending.indexOf("\r\n")) >= 0) {
        const QByteArray line = m_pending.left(end + 2);
        m_pending.remove(0, end + 2);
        m_lines << line;
        m_to.write(line);
    }
}
