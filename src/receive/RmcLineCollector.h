#pragma once

#include <QByteArray>

// Collects the rest of a sentence up to its CR LF. The kept text is bounded: a line longer than
// any real sentence keeps only its start while the end of line is still watched for.
class RmcLineCollector
{
public:
    static constexpr qsizetype kMaxKept = 4096;

    void feed(QByteArrayView text);
    bool complete() const { return m_complete; }
    // More was received than is kept: the line's end, and its checksum, are lost.
    bool truncated() const { return m_truncated; }
    // The text up to and including the CR of the first CR LF (at most kMaxKept characters).
    QByteArray line() const { return m_text; }

private:
    QByteArray m_text;
    bool m_lastWasCr = false;
    bool m_complete = false;
    bool m_truncated = false;
};
