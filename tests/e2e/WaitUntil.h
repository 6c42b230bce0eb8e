#pragma once

#include <QDeadlineTimer>
#include <QTest>

// Polls a condition while the event loop runs, as QTRY_VERIFY does, for helpers that report
// failure as a result instead of failing the test themselves. True once the condition held.
template<typename Condition> bool waitUntil(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
}
