#include "PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace {
const QString kDevice = QStringLiteral("device");
const QString kSpeed = QStringLiteral("speed");
const QString kTalker = QStringLiteral("talker");
const QString kAnyTalker = QStringLiteral("any");
} // namespace

bool PortMap::isAcceptedSpeed(int speed)
{
    return std::find(kAcceptedSpeeds.begin(), kAcceptedSpeeds.end(), speed)
        != kAcceptedSpeeds.end();
}

QString PortMap::groupName(int portNumber)
{
    return QStringLiteral("COM") + QString::number(portNumber);
}

PortMap::PortMap(const QString &settingsDir)
    : m_path(QDir(settingsDir).filePath(QStringLiteral("ports.conf")))
{ }

std::optional<PortMap::Entry> PortMap::entry(int portNumber) const
{
    if (!QFileInfo::exists(m_path))
        return std::nullopt;
    QSettings file(m_path, QSettings::IniFormat);
    if (!file.childGroups().contains(groupName(portNumber)))
        return std::nullopt;
    file.beginGroup(groupName(portNumber));
    Entry entry;
    entry.device = file.value(kDevice).toString().trimmed();
    if (file.contains(kSpeed))
        entry.speed = file.value(kSpeed).toString().trimmed().toInt();
    if (file.value(kTalker).toString().trimmed().compare(kAnyTalker, Qt::CaseInsensitive) == 0)
        entry.talker = Talker::Any;
    return entry;
}

bool PortMap::write(const QMap<int, Entry> &entries) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSettings file(m_path, QSettings::IniFormat);
    file.clear();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        file.beginGroup(groupName(it.key()));
        if (!it->device.isEmpty())
            file.setValue(kDevice, it->device);
        file.setValue(kSpeed, it->speed);
        file.setValue(kTalker, it->talker == Talker::Any ? kAnyTalker : QStringLiteral("GP"));
        file.endGroup();
    }
    file.sync();
    return file.status() == QSettings::NoError;
}
