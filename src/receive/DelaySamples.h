#pragma once

#include <QList>
#include <QString>
#include <optional>

// The receiver's delay sentence by sentence: when each sentence began, by a clock that a time
// service keeps right, minus the second it names. A receiver sends at a steady moment of its
// second; samples that do not agree say that it does not, or that the line holds them up.
class DelaySamples
{
public:
    static constexpr int kNeeded = 5;
    static constexpr qint64 kAgreementNanos = 20'000'000;

    void add(qint64 nanos) { m_nanos.append(nanos); }
    // A sentence decoded with a true checksum whose receiver had no fix: no sample.
    void addWithoutFix() { ++m_withoutFix; }
    int count() const { return int(m_nanos.size()); }

    // The median, in milliseconds, of the largest group of samples that lie within
    // kAgreementNanos of each other, once that group has kNeeded of them; nothing before.
    std::optional<int> agreedMillis() const;
    // Why an agreed value is no delay a receiver has; empty for one from 0 to 1 s.
    [[nodiscard]] static QString outOfRange(int millis);
    // What was heard, when listening for `seconds` brought no agreement.
    QString unsettled(int seconds) const;

private:
    QList<qint64> m_nanos;
    int m_withoutFix = 0;
};
