#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A stand-in for horolux-settime: a shell script that records each request line and then runs
// `body` for it ($r holds the request).
class FakeClockHelper
{
public:
    explicit FakeClockHelper(const QByteArray &body);

    QString program() const;
    // Every request line it has read, each with its end.
    QByteArray requests() const;

private:
    QTemporaryDir m_dir;
};
