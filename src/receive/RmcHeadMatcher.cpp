#include "RmcHeadMatcher.h"

bool RmcHeadMatcher::feed(QByteArrayView text)
{
    if (m_found || text.isEmpty())
        return m_found;
    m_tail.append(text);
    if (const qsizetype at = m_tail.indexOf(kHead); at >= 0) {
        m_found = true;
        m_head = m_tail.mid(at, kHead.size());
        m_tail.clear();
    } else if (m_tail.size() >= kHead.size()) {
        m_tail = m_tail.right(kHead.size() - 1);
    }
    return m_found;
}
