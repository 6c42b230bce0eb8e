#include "RmcLineCollector.h"

void RmcLineCollector::feed(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size() && !m_complete; ++i) {
        const char c = text[i];
        if (c == '\n' && m_lastWasCr) {
            m_complete = true;
            return;
        }
        if (m_text.size() < kMaxKept)
            m_text.append(c);
        else
            m_truncated = true;
        m_lastWasCr = c == '\r';
    }
}
