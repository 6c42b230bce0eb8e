#pragma once

#include <QByteArray>

// Watches the characters read from the receiver for "GPRMC," or, for a receiver of several
// satellite systems, for "RMC," after any two capital letters (GNRMC, GLRMC, BDRMC...). Keeps
// only the last few characters, so a flooding device costs neither memory nor time per pass.
class RmcHeadMatcher
{
public:
    static constexpr QByteArrayView kHead = "GPRMC,";

    explicit RmcHeadMatcher(bool anyTalker = false);

    // True once the head has been seen; everything fed so far is then forgotten.
    bool feed(QByteArrayView text);
    bool found() const { return m_found; }
    // The head text as it was received: the sentence checksum covers it.
    QByteArray head() const { return m_head; }

private:
    qsizetype headAt() const;

    QByteArray m_tail;
    QByteArray m_head;
    bool m_anyTalker;
    bool m_found = false;
};
