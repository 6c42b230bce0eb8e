#include "RmcHeadMatcher.h"

bool RmcHeadMatcher::feed(QByteArrayView text)
{
    if (m_found || text.isEmpty())
        return m_found;
    m_tail.append(text);
    if (m_tail.contains(kHead)) {
        m_found = true;
        m_tail.clear();
    } else if (m_tail.size() >= kHead.size()) {
        m_tail = m_tail.right(kHead.size() - 1);
    }
    return m_found;
}
