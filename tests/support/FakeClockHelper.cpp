#include "FakeClockHelper.h"

#include <QFile>

FakeClockHelper::FakeClockHelper(const QByteArray &body)
{
    QFile file(program());
    if (file.open(QIODevice::WriteOnly)) {
        file.write("#!/bin/sh\nwhile read r; do echo \"$r\" >>\"$0.log\"; " + body + "; done\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
}

QString FakeClockHelper::program() const
{
    return m_dir.filePath(QStringLiteral("horolux-settime"));
}

QByteArray FakeClockHelper::requests() const
{
    QFile log(program() + QStringLiteral(".log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}
