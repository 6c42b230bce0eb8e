#include "RmcHeadMatcher.h"

namespace {
constexpr QByteArrayView kAnyTalkerTail = "RMC,";
constexpr qsizetype kTalkerSize = 2;

bool isCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}
} // namespace

RmcHeadMatcher::RmcHeadMatcher(bool anyTalker)
    : m_anyTalker(anyTalker)
{ }

qsizetype RmcHeadMatcher::headAt() const
{
    if (!m_anyTalker)
        return m_tail.indexOf(kHead);
    for (qsizetype at = m_tail.indexOf(kAnyTalkerTail, kTalkerSize); at >= 0;
         at = m_tail.indexOf(kAnyTalkerTail, at + 1)) {
        if (isCapital(m_tail[at - 2]) && isCapital(m_tail[at - 1]))
            return at - kTalkerSize;
    }
    return -1;
}

bool RmcHeadMatcher::feed(QByteArrayView text)
{
    if (m_found || text.isEmpty())
        return m_found;
    m_tail.append(text);
    // Both heads are as long: the talker letters plus "RMC,".
    if (const qsizetype at = headAt(); at >= 0) {
        m_found = true;
        m_head = m_tail.mid(at, kHead.size());
        m_tail.clear();
    } else if (m_tail.size() >= kHead.size()) {
        m_tail = m_tail.right(kHead.size() - 1);
    }
    return m_found;
}
